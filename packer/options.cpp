#include "packer/options.h"

#include <cstring>

namespace {

// An option with a value fills a text field, or adds to a list when it may be repeated; one
// without sets a flag.
struct OptionRow {
  const char* name;
  std::optional<std::string> Options::*value;
  bool Options::*flag;
  std::vector<std::string> Options::*list = nullptr;
};

const OptionRow OptionTable[] = {
    {"--payload", &Options::payload, nullptr},
    {"--cabinet", &Options::cabinet, nullptr},
    {"--folder", &Options::folder, nullptr},
    {"--song", &Options::song, nullptr},
    {"--background", &Options::background, nullptr},
    {"--buttons", &Options::buttons, nullptr},
    {"--fit", &Options::fit, nullptr},
    {"--credits", &Options::credits, nullptr},
    {"--credits-file", &Options::creditsFile, nullptr},
    {"--info", &Options::info, nullptr},
    {"--info-cp437", nullptr, &Options::infoCp437},
    {"--icon", &Options::icon, nullptr},
    {"--compression", &Options::compression, nullptr},
    {"--quiet", nullptr, &Options::quiet},
    {"--product", &Options::product, nullptr},
    {"--product-version", &Options::productVersion, nullptr},
    {"--publisher", &Options::publisher, nullptr},
    {"--copyright", &Options::copyright, nullptr},
    {"--texts", nullptr, nullptr, &Options::texts},
    {"--run", &Options::run, nullptr},
    {"--open-folder", nullptr, &Options::openFolder},
    {"-o", &Options::output, nullptr},
    {"--output", &Options::output, nullptr},
    {"--help", nullptr, &Options::help},
    {"-h", nullptr, &Options::help},
    {"--version", nullptr, &Options::version},
};

const OptionRow* FindOption(const std::string& name) {
  for (const OptionRow& row : OptionTable) {
    if (name == row.name) return &row;
  }
  return nullptr;
}

// Pairs of options of which at most one may be given.
const char* const ExclusivePairs[][2] = {
    {"--payload", "--cabinet"},
    {"--credits", "--credits-file"},
};

void CheckCombination(const Options& options, Diagnostics* diagnostics) {
  if (options.help || options.version) return;
  for (const auto& pair : ExclusivePairs) {
    const auto& first = options.*FindOption(pair[0])->value;
    const auto& second = options.*FindOption(pair[1])->value;
    if (first && second) diagnostics->Problem({pair[1], *second}, std::string("is given with ") + pair[0] + "; give one of them");
  }
  if (!options.payload && !options.cabinet)
    diagnostics->Problem({"--payload", ""}, "is missing; name the folder of files to install (or a cabinet with --cabinet)");
  if (!options.output || options.output->empty())
    diagnostics->Problem({"-o", ""}, "is missing; name the installer to write, e.g. -o setup.exe");
  if (options.infoCp437 && !options.info)
    diagnostics->Problem({"--info-cp437", ""}, "is given without --info; add --info FILE");
}

}  // namespace

Options ReadOptions(const std::vector<std::string>& arguments, Diagnostics* diagnostics) {
  Options options;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    // "--song=x.xm" is "--song x.xm".
    size_t equals = argument.rfind("--", 0) == 0 ? argument.find('=') : std::string::npos;
    std::string name = argument.substr(0, equals);
    const OptionRow* row = FindOption(name);
    if (!row) {
      diagnostics->Problem({argument, ""}, argument[0] == '-' ? "is not an option of zav-pack; see zav-pack --help"
                                                              : "is not an option; see zav-pack --help");
      continue;
    }
    if (row->flag) {
      if (equals != std::string::npos) diagnostics->Problem({argument, ""}, "takes no value");
      options.*row->flag = true;
      continue;
    }
    std::optional<std::string> value;
    if (equals != std::string::npos) {
      value = argument.substr(equals + 1);
    } else if (i + 1 < arguments.size()) {
      value = arguments[++i];
    } else {
      diagnostics->Problem({name, ""}, "needs a value; see zav-pack --help");
    }
    if (row->list) {
      if (value) (options.*row->list).push_back(*value);
      continue;
    }
    std::optional<std::string>& field = options.*row->value;
    if (field) diagnostics->Problem({name, ""}, "is given twice; give it once");
    if (value) field = value;
  }
  // A --version among packing options is more likely a slip than a wish for the version alone.
  if (options.version && arguments.size() > 1)
    diagnostics->Problem({"--version", ""}, "is given with other options; give it alone to see zav-pack's version");
  CheckCombination(options, diagnostics);
  return options;
}

const char HelpText[] =
R"(Usage: zav-pack --payload DIR [OPTION...] -o OUT.exe
       zav-pack --cabinet FILE.cab [OPTION...] -o OUT.exe

Makes a Windows installer for your own files: one program that shows your picture, plays
your song, and installs your files into a folder that its user chooses. Every input is
checked the way the installer will use it; every input left out is the project's own.

The files to install (one of the two):
  --payload DIR           every file below DIR, sub-folders kept, packed into an MS-CAB
                          cabinet; file names in any script, UTF-8 and valid on
                          Windows, symbolic links are refused, empty folders left out
  --compression METHOD    how the --payload files are packed: lzx (the smallest; also
                          lzx:15 .. lzx:21, a window of 2^15 .. 2^21 bytes), mszip or
                          none (default lzx:21)
  --cabinet FILE.cab      a cabinet made elsewhere: one whole cabinet, not part of a set
Where they go:
  --folder NAME           the folder created below the one the user chooses, also named
                          in the folder browser's title: at most 64 characters in any
                          script (default ZAVInstaller)
What the installer shows and plays:
  --song FILE.xm          the music, an XM module (FastTracker 2)
  --background FILE       the picture, 416 x 180 pixels: PNG, BMP, GIF or JPEG of any
                          size, fitted to its place (a baseline JPEG of that size is
                          taken as it is)
  --buttons INSTALL,INFO,EXIT
                          the three buttons, 80 x 20 pixels each, taken the same way;
                          their transparent pixels show the background
  --fit cover|contain|stretch
                          how a picture of another shape is fitted: scaled to cover its
                          place and cut in the middle (default), scaled to fit inside
                          it with black borders, or stretched
  --credits TEXT          the scrolling line, at most 198 printable ASCII characters
  --credits-file FILE     the same, read from a file
  --info FILE             the info dialog's text, UTF-8: at most 79 columns a line and
                          64 KiB, no tabs; it is shown in code page 437, which has box
                          drawing, blocks and shades
  --info-cp437            the --info file is code page 437 already
  --icon FILE.ico         the icon that Explorer shows for the installer
  --product NAME          the product installed: the window's title is "NAME Setup",
                          and the installer's version information names it
  --product-version 1.2.3[.4]
                          its version, in the version information
  --publisher NAME        who makes it, in the version information
  --copyright TEXT        its copyright line, in the version information
  --texts LANG=FILE       the installer's texts in a language (de, de-AT, pt-BR, ja,
                          zh-Hans...; default replaces the English ones), from a UTF-8
                          file of lines "key = text"; once per language. Keys:
                          installing ({percent}), completed, error, browse ({folder}),
                          damaged, usage, music
After the install (not after a failed or an unattended one):
  --run PATH              start this file of the payload (a program, or a document with
                          the program it belongs to) in the folder that holds it, then
                          fade the music out and close; PATH as below --payload, with
                          / or \ between folders
  --open-folder           open the installed folder in the file manager, then close
The installer:
  -o, --output OUT.exe    the file to write; an existing one is replaced only on success
  --quiet                 no progress line while packing (it shows only on a terminal)
  --help, --version

SOURCE_DATE_EPOCH, when set, is the time of every packed file: the same inputs then give
the same installer, byte for byte.

Exit status: 0 when the installer was written; 2 for bad input, with one line for each
problem (the input, what is wrong, how to fix it) and nothing written; 1 when writing
failed.

A picture that is converted gets one line saying what was done, e.g.
  zav-pack: --background sunset.png: 800 x 600 PNG scaled to 416 x 312 and 66 rows
  cut top and bottom
)";
