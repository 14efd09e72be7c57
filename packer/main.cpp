// zav-pack: makes an installer of a user's own files, song, pictures and texts, without a
// compiler. Every input is checked the way the installer will use it, and every problem is
// reported in one go; the installer is written only when there is none.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "assets/data_directory.h"
#include "packer/checks/cabinet.h"
#include "packer/checks/payload.h"
#include "packer/checks/picture.h"
#include "packer/checks/song.h"
#include "packer/checks/stored_names.h"
#include "packer/checks/texts.h"
#include "packer/data_section.h"
#include "packer/embedded.h"
#include "packer/installer_output.h"
#include "packer/options.h"
#include "packer/output_file.h"

namespace {

const char VersionText[] = "zav-pack 1.0 (installer data version 1)\n";
const char DefaultFolderName[] = "ZAVInstaller";
const int ExitWriteFailed = 1;
const int ExitBadInput = 2;

const PictureShape ButtonShapes[] = {
    {"the install button", 80, 20}, {"the info button", 80, 20}, {"the exit button", 80, 20}};
const DataEntry ButtonEntries[] = {InstallButtonEntry, InfoButtonEntry, ExitButtonEntry};
const EmbeddedFile DefaultButtons[] = {DefaultInstallButton, DefaultInfoButton, DefaultExitButton};

// One run: what was asked, what the checks found, and the blocks of the installer's data.
struct Run {
  Options options;
  Diagnostics diagnostics;
  std::vector<uint8_t> blocks[DataEntryCount];
  std::vector<uint8_t> icon;
  std::string songSummary;
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
    run->blocks[CabinetEntry] = PackPayload({"--payload", *options.payload}, maxNameLength, fileTime, &run->diagnostics);
  } else if (options.cabinet && !options.payload) {
    run->blocks[CabinetEntry] = CheckCabinet({"--cabinet", *options.cabinet}, maxNameLength, &run->diagnostics);
  }
}

void CheckPictures(Run* run) {
  const Options& options = run->options;
  run->blocks[BackgroundEntry] = options.background
      ? CheckPicture({"--background", *options.background}, BackgroundShape, &run->diagnostics)
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
                               "commas: INSTALL.jpg,INFO.jpg,EXIT.jpg");
      return;
    }
  }
  for (int i = 0; i < 3; ++i) {
    run->blocks[ButtonEntries[i]] = options.buttons
        ? CheckPicture({"--buttons", buttons[i]}, ButtonShapes[i], &run->diagnostics)
        : EmbeddedBytes(DefaultButtons[i]);
  }
}

void CheckSongAndTexts(Run* run) {
  const Options& options = run->options;
  Diagnostics* diagnostics = &run->diagnostics;
  run->blocks[SongEntry] = options.song ? CheckSong({"--song", *options.song}, &run->songSummary, diagnostics)
                                        : SongImage(EmbeddedBytes(DefaultSong));
  if (options.credits) {
    run->blocks[CreditsEntry] = CheckCredits({"--credits", *options.credits}, diagnostics);
  } else if (options.creditsFile) {
    run->blocks[CreditsEntry] = CheckCreditsFile({"--credits-file", *options.creditsFile}, diagnostics);
  } else {
    run->blocks[CreditsEntry] = WithNul(EmbeddedBytes(DefaultCredits));
  }
  run->blocks[InfoTextEntry] = options.info
      ? CheckInfoText({"--info", *options.info}, options.infoCp437, diagnostics)
      : WithNul(EmbeddedBytes(DefaultInfoText));
  run->blocks[FolderNameEntry] = CheckFolderName({"--folder", options.folder.value_or(DefaultFolderName)}, diagnostics);
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

void Report(const Run& run) {
  if (!run.songSummary.empty()) std::printf("zav-pack: %s\n", run.songSummary.c_str());
  std::fflush(stdout);
  for (const std::string& warning : run.diagnostics.warnings) std::fprintf(stderr, "zav-pack: warning: %s\n", warning.c_str());
  for (const std::string& problem : run.diagnostics.problems) std::fprintf(stderr, "zav-pack: %s\n", problem.c_str());
}

int WriteInstaller(const Run& run) {
  const std::string& output = *run.options.output;
  std::vector<uint8_t> section = LayOutDataSection(run.blocks);
  std::vector<uint8_t> installer;
  std::string error;
  DataBlock readBack[DataEntryCount];
  if (!ReadDataDirectory(section.data(), uint32_t(section.size()), readBack)) {
    error = "the data section failed its own check (a fault in zav-pack)";
  } else if (MakeInstaller(section, run.options.icon ? &run.icon : nullptr, &installer, &error) &&
             WriteOutputFile(output, installer, &error)) {
    std::printf("zav-pack: wrote %s (%s bytes)\n", output.c_str(), WithThousands(installer.size()).c_str());
    return 0;
  }
  std::fprintf(stderr, "zav-pack: -o %s: not written: %s\n", output.c_str(), error.c_str());
  return ExitWriteFailed;
}

}  // namespace

int main(int argc, char** argv) {
  Run run;
  run.options = ReadOptions(argc - 1, argv + 1, &run.diagnostics);
  if (run.options.help || run.options.version) {
    std::fputs(run.options.help ? HelpText : VersionText, stdout);
    return 0;
  }
  CheckSongAndTexts(&run);
  CheckPictures(&run);
  CheckIcon(&run);
  CheckFiles(&run);
  Report(run);
  if (!run.diagnostics.problems.empty()) return ExitBadInput;
  return WriteInstaller(run);
}
