// zav-pack: makes an installer of a user's own files, song, pictures and texts, without a
// compiler. Every input is checked the way the installer will use it, and every problem is
// reported in one go; the installer is written only when there is none.
#include "packer/packer.h"

#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

#include "assets/data_directory.h"
#include "packer/checks/after_install.h"
#include "packer/checks/cabinet.h"
#include "packer/checks/language_texts.h"
#include "packer/checks/payload.h"
#include "packer/checks/picture.h"
#include "packer/checks/product.h"
#include "packer/checks/song.h"
#include "packer/checks/stored_names.h"
#include "packer/checks/texts.h"
#include "packer/embedded.h"
#include "packer/installer_writer.h"
#include "packer/options.h"
#include "packer/pe/version_resource.h"
#include "render/frame.h"

namespace {

const char VersionText[] = "zav-pack 1.0 (installer data version 3)\n";
const char DefaultFolderName[] = "ZAVInstaller";

const PictureShape ButtonShapes[] = {{"the install button", ButtonWidth, ButtonHeight},
                                     {"the info button", ButtonWidth, ButtonHeight},
                                     {"the exit button", ButtonWidth, ButtonHeight}};
const DataEntry ButtonEntries[] = {InstallButtonEntry, InfoButtonEntry, ExitButtonEntry};
const EmbeddedFile DefaultButtons[] = {DefaultInstallButton, DefaultInfoButton, DefaultExitButton};

// One run: what was asked, what the checks found, and what goes into the installer.
struct Run {
  Options options;
  Diagnostics diagnostics;
  InstallerContents contents;
  std::vector<uint8_t> icon;
  std::string songSummary;
  Progress progress;
  std::vector<std::string> pictureNotes;
};

std::vector<uint8_t> WithNul(std::vector<uint8_t> text) {
  text.push_back(0);
  return text;
}

void CheckFiles(Run* run) {
  const Options& options = run->options;
  size_t folderLength = options.folder ? options.folder->size() : sizeof DefaultFolderName - 1;
  size_t maxNameLength = StoredNameMaxLength(folderLength);
  if (options.payload && !options.cabinet) {
    std::optional<int64_t> fileTime = SourceDateEpoch(std::getenv("SOURCE_DATE_EPOCH"), &run->diagnostics);
    run->contents.payload = CheckPayload({"--payload", *options.payload}, maxNameLength, fileTime, &run->diagnostics);
  } else if (options.cabinet && !options.payload) {
    CheckCabinet({"--cabinet", *options.cabinet}, maxNameLength, &run->contents.cabinet, &run->diagnostics);
  }
  // What is started after the install: a file that the payload holds (a cabinet's names are
  // not listed here, so with --cabinet only the name rules apply).
  if (options.run) {
    const std::vector<PayloadFile>* payload = options.payload ? &run->contents.payload : nullptr;
    run->contents.blocks[RunEntry] = CheckRunTarget({"--run", *options.run}, payload, maxNameLength, &run->diagnostics);
  }
  run->contents.blocks[FlagsEntry] = AfterInstallFlagsBlock(options.openFolder);
}

// Each button lies over the background: its transparent pixels show the background's pixels there.
std::vector<uint8_t> ButtonBackdrop(const std::vector<uint8_t>& background, int button) {
  std::vector<uint8_t> backdrop;
  if (background.empty()) return backdrop;
  for (int y = 0; y < ButtonHeight; ++y) {
    auto row = background.begin() + long(((ButtonTop + y) * BackgroundShape.width + ButtonLeft[button]) * 3);
    backdrop.insert(backdrop.end(), row, row + ButtonWidth * 3);
  }
  return backdrop;
}

const struct {
  const char* name;
  PictureFit fit;
} FitNames[] = {{"cover", PictureFit::Cover}, {"contain", PictureFit::Contain}, {"stretch", PictureFit::Stretch}};

PictureFit ReadFit(const Options& options, Diagnostics* diagnostics) {
  if (!options.fit) return PictureFit::Cover;
  for (const auto& row : FitNames) {
    if (*options.fit == row.name) return row.fit;
  }
  diagnostics->Problem({"--fit", *options.fit}, "is not a way to fit a picture; give cover, contain or stretch");
  return PictureFit::Cover;
}

void CheckPictures(Run* run, PictureFit fit) {
  const Options& options = run->options;
  run->contents.blocks[BackgroundEntry] = options.background
      ? CheckPicture({"--background", *options.background}, {BackgroundShape, fit, nullptr}, &run->pictureNotes,
                     &run->diagnostics)
      : EmbeddedBytes(DefaultBackground);
  std::vector<std::string> buttons;
  if (options.buttons) {
    for (size_t start = 0, comma; start <= options.buttons->size(); start = comma + 1) {
      comma = options.buttons->find(',', start);
      if (comma == std::string::npos) comma = options.buttons->size();
      buttons.push_back(options.buttons->substr(start, comma - start));
    }
    if (buttons.size() != 3) {
      run->diagnostics.Problem({"--buttons", *options.buttons},
                               "names " + std::to_string(buttons.size()) + " files; give three, separated by "
                               "commas: INSTALL.png,INFO.png,EXIT.png");
      return;
    }
  }
  std::vector<uint8_t> background = PicturePixels(run->contents.blocks[BackgroundEntry], BackgroundShape);
  for (int i = 0; i < 3; ++i) {
    std::vector<uint8_t> backdrop = ButtonBackdrop(background, i);
    PicturePlace place = {ButtonShapes[i], fit, backdrop.empty() ? nullptr : backdrop.data()};
    run->contents.blocks[ButtonEntries[i]] = options.buttons
        ? CheckPicture({"--buttons", buttons[i]}, place, &run->pictureNotes, &run->diagnostics)
        : EmbeddedBytes(DefaultButtons[i]);
  }
}

void CheckSongAndTexts(Run* run) {
  const Options& options = run->options;
  Diagnostics* diagnostics = &run->diagnostics;
  run->contents.blocks[SongEntry] = options.song ? CheckSong({"--song", *options.song}, &run->songSummary, diagnostics)
                                        : SongImage(EmbeddedBytes(DefaultSong));
  if (options.credits) {
    run->contents.blocks[CreditsEntry] = CheckCredits({"--credits", *options.credits}, diagnostics);
  } else if (options.creditsFile) {
    run->contents.blocks[CreditsEntry] = CheckCreditsFile({"--credits-file", *options.creditsFile}, diagnostics);
  } else {
    run->contents.blocks[CreditsEntry] = WithNul(EmbeddedBytes(DefaultCredits));
  }
  run->contents.blocks[InfoTextEntry] = options.info
      ? CheckInfoText({"--info", *options.info}, options.infoCp437, diagnostics)
      : WithNul(EmbeddedBytes(DefaultInfoText));
  run->contents.blocks[FolderNameEntry] = CheckFolderName({"--folder", options.folder.value_or(DefaultFolderName)}, diagnostics);
  run->contents.blocks[TextsEntry] = CheckLanguageTexts(options.texts, diagnostics);
}

// The window's title, and the version information that names the product, its publisher and
// the installer's own file name.
void CheckProduct(Run* run) {
  const Options& options = run->options;
  ProductFacts facts = CheckProduct({options.product, options.productVersion, options.publisher, options.copyright},
                                    &run->diagnostics);
  run->contents.blocks[TitleEntry] = TitleBlock(facts);
  std::string output = options.output.value_or("");
  VersionInfo info;
  std::copy(facts.versionNumbers, facts.versionNumbers + 4, info.version);
  info.strings = {{"CompanyName", facts.publisher},
                  {"FileDescription", facts.title},
                  {"FileVersion", facts.version},
                  {"LegalCopyright", facts.copyright},
                  {"OriginalFilename", output.substr(output.find_last_of("/\\") + 1)},
                  {"ProductName", facts.name},
                  {"ProductVersion", facts.version}};
  run->contents.version = VersionResource(info);
}

void CheckIcon(Run* run) {
  if (!run->options.icon) return;
  Input icon = {"--icon", *run->options.icon};
  std::string problem;
  if (!ReadInputFile(icon, 16 << 20, &run->icon, &run->diagnostics)) return;
  if (!IconFits(run->icon, &problem))
    run->diagnostics.Problem(icon, problem + "; give a Windows .ico file (e.g. convert logo.png -define "
                                             "icon:auto-resize=48,32,16 logo.ico)");
}

// --compression lzx, lzx:15 .. lzx:21, mszip or none.
void CheckCompression(Run* run) {
  const std::optional<std::string>& text = run->options.compression;
  if (!text) return;
  Compression& compression = run->contents.compression;
  if (*text == "mszip") {
    compression.method = CompressionMethod::Mszip;
  } else if (*text == "none") {
    compression.method = CompressionMethod::None;
  } else if (*text != "lzx") {
    bool window = text->size() == 6 && text->compare(0, 4, "lzx:") == 0 && std::isdigit((*text)[4]) && std::isdigit((*text)[5]);
    int bits = window ? std::atoi(text->c_str() + 4) : 0;
    if (bits < 15 || bits > 21) {
      run->diagnostics.Problem({"--compression", *text}, "is not a method; give lzx, lzx:15 .. lzx:21, mszip or none");
      return;
    }
    compression.windowBits = bits;
  }
  if (run->options.cabinet) run->diagnostics.Problem({"--compression", *text}, "is given with --cabinet, which is carried as it is; leave it out");
}

void Report(const Run& run, RunReport* report) {
  if (!run.songSummary.empty()) report->out.push_back("zav-pack: " + run.songSummary);
  for (const std::string& note : run.pictureNotes) report->out.push_back("zav-pack: " + note);
  for (const std::string& warning : run.diagnostics.warnings) report->err.push_back("zav-pack: warning: " + warning);
  for (const std::string& problem : run.diagnostics.problems) report->err.push_back("zav-pack: " + problem);
}

int WriteInstaller(Run* run, RunReport* report) {
  const std::string& output = *run->options.output;
  if (run->options.icon) run->contents.icon = &run->icon;
  run->contents.progress = &run->progress;
  uint64_t written = 0;
  std::string error;
  if (WriteInstaller(output, run->contents, &written, &error)) {
    report->out.push_back("zav-pack: wrote " + output + " (" + WithThousands(written) + " bytes)");
    return ExitWritten;
  }
  report->err.push_back("zav-pack: -o " + output + ": not written: " + error);
  return ExitWriteFailed;
}

}  // namespace

int RunZavPack(const std::vector<std::string>& arguments, RunReport* report) {
  Run run;
  run.options = ReadOptions(arguments, &run.diagnostics);
  if (run.options.version && !run.options.help && !run.diagnostics.problems.empty()) {
    Report(run, report);
    return ExitBadInput;
  }
  if (run.options.help || run.options.version) {
    std::string text = run.options.help ? HelpText : VersionText;
    for (size_t start = 0, end; start < text.size(); start = end + 1) {
      end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      report->out.push_back(text.substr(start, end - start));
    }
    return ExitWritten;
  }
  run.progress.shown = !run.options.quiet && ErrorIsTerminal();
  BeginPhase(&run.progress, "checking", 0, 0);
  CheckSongAndTexts(&run);
  CheckPictures(&run, ReadFit(run.options, &run.diagnostics));
  CheckIcon(&run);
  CheckCompression(&run);
  CheckProduct(&run);
  CheckFiles(&run);
  EndProgress(&run.progress);
  Report(run, report);
  if (!run.diagnostics.problems.empty()) return ExitBadInput;
  return WriteInstaller(&run, report);
}
