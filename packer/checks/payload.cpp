#include "packer/checks/payload.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "packer/checks/cabinet_limits.h"
#include "packer/checks/stored_names.h"
#include "packer/file_io.h"

namespace {

// The walk over the payload folder: the files found, the folders that hold none.
struct Walk {
  const Input& payload;
  Diagnostics* diagnostics;
  std::vector<PayloadFile> files;  // named with "/" until they are checked
  std::vector<std::string> emptyFolders;

  void Problem(const std::string& name, const std::string& text) {
    diagnostics->Problem(payload, name.empty() ? text : "'" + ShownName(name) + "' " + text);
  }
};

size_t WalkFolder(Walk* walk, const std::string& path, const std::string& prefix);

// One entry of a folder; returns how many files it stands for (a refused entry counts as one,
// so that its folder is not also called empty).
size_t WalkEntry(Walk* walk, const std::string& path, const std::string& name) {
  PathStatus status = StatusOf(path, false);
  InputFile file;
  std::string error;
  if (name.find('\\') != std::string::npos) {
    walk->Problem(name, "has a \\ in its name, which Windows takes for a folder separator; rename it");
  } else if (status.kind == PathKind::Missing) {
    walk->Problem(name, "cannot be read: " + status.error);
  } else if (status.kind == PathKind::Link) {
    walk->Problem(name, "is a symbolic link, and zav-pack follows none (it could reach outside "
                        "the folder); put a copy of what it names in its place (cp -L)");
  } else if (status.kind == PathKind::Folder) {
    size_t emptyBefore = walk->emptyFolders.size();
    size_t found = WalkFolder(walk, path, name + "/");
    if (found == 0) {  // named once, as the outermost folder without a file
      walk->emptyFolders.resize(emptyBefore);
      walk->emptyFolders.push_back(name);
    }
    return found;
  } else if (status.kind == PathKind::Other) {
    walk->Problem(name, "is not a plain file (a device, pipe or socket); remove it");
  } else if (!file.Open(path, &error)) {  // read only when packed: it must be readable now
    walk->Problem(name, "cannot be read: " + error);
  } else {
    walk->files.push_back({name, path, status.size, status.modified});
  }
  return 1;
}

size_t WalkFolder(Walk* walk, const std::string& path, const std::string& prefix) {
  std::vector<std::string> entries;
  std::string error;
  if (!ListFolder(path, &entries, &error)) {
    walk->Problem(prefix, "cannot be read: " + error);
    return 1;
  }
  std::sort(entries.begin(), entries.end());
  size_t found = 0;
  for (const std::string& entry : entries) found += WalkEntry(walk, path + PathSeparator + entry, prefix + entry);
  return found;
}

std::string StoredName(const std::string& name) {
  std::string stored = name;
  std::replace(stored.begin(), stored.end(), '/', '\\');
  return stored;
}

// The names, the count and the size, against the installer's rules and one cabinet folder.
void CheckFiles(Walk* walk, size_t maxNameLength) {
  Diagnostics* diagnostics = walk->diagnostics;
  std::vector<std::string> names;
  uint64_t bytes = 0;
  for (const PayloadFile& file : walk->files) {
    std::string problem = StoredNameProblem(file.stored, maxNameLength);
    if (!problem.empty()) walk->Problem(file.stored, problem);
    names.push_back(file.stored);
    bytes += file.size;
  }
  for (const std::string& clash : StoredNameClashes(names)) diagnostics->Problem(walk->payload, clash);
  if (names.size() > CabinetMaxFiles)
    diagnostics->Problem(walk->payload, "holds " + WithThousands(names.size()) +
                                            " files, and one cabinet holds at most " +
                                            WithThousands(CabinetMaxFiles) + "; pack fewer (an archive of some of them, say)");
  if (bytes > CabinetFolderMaxBytes)
    diagnostics->Problem(walk->payload, "holds " + WithThousands(bytes) +
                                            " bytes of files, and one cabinet folder holds at most " +
                                            WithThousands(CabinetFolderMaxBytes) + "; pack fewer");
}

}  // namespace

std::optional<int64_t> SourceDateEpoch(const char* value, Diagnostics* diagnostics) {
  if (!value) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  long long seconds = std::strtoll(value, &end, 10);
  if (*value == '\0' || *end != '\0' || errno != 0 || !std::isdigit(uint8_t(*value))) {
    diagnostics->problems.push_back(std::string("SOURCE_DATE_EPOCH=") + value +
                                    ": not a whole number of seconds since 1970; set it to one, "
                                    "or unset it to take the files' own times");
    return std::nullopt;
  }
  return int64_t(seconds);
}

std::vector<PayloadFile> CheckPayload(const Input& payload, size_t maxNameLength, std::optional<int64_t> fileTime,
                                      Diagnostics* diagnostics) {
  if (StatusOf(payload.value, true).kind != PathKind::Folder) {
    diagnostics->Problem(payload, "is not a folder; name the folder that holds the files to install");
    return {};
  }
  size_t problemsBefore = diagnostics->problems.size();
  Walk walk = {payload, diagnostics, {}, {}};
  WalkFolder(&walk, payload.value, "");
  for (const std::string& folder : walk.emptyFolders)
    diagnostics->Warning(payload, "the folder '" + folder + "' holds no file and is left out (a "
                                  "cabinet stores files only); put a file in it to have it created");
  // A folder whose only entries were refused is not also called empty.
  if (walk.files.empty() && diagnostics->problems.size() == problemsBefore)
    diagnostics->Problem(payload, "holds no file to install; put the files in it");
  CheckFiles(&walk, maxNameLength);
  if (diagnostics->problems.size() != problemsBefore) return {};
  for (PayloadFile& file : walk.files) {
    file.stored = StoredName(file.stored);
    if (fileTime) file.time = *fileTime;
  }
  std::sort(walk.files.begin(), walk.files.end(),
            [](const PayloadFile& a, const PayloadFile& b) { return a.stored < b.stored; });
  return walk.files;
}
