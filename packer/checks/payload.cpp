#include "packer/checks/payload.h"

#include <dirent.h>
#include <libgcab.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>

#include "packer/checks/cabinet_limits.h"
#include "packer/checks/stored_names.h"

namespace {

// A cabinet keeps DOS times: 1980-01-01 00:00:00 to 2107-12-31 23:59:58.
const int64_t FirstDosTime = 315532800;
const int64_t LastDosTime = 4354819198;

struct PayloadFile {
  std::string name;  // relative to the payload folder, parts separated by "/"
  std::string path;
  uint64_t size;
  int64_t modified;
};

// The walk over the payload folder: the files found, the folders that hold none.
struct Walk {
  const Input& payload;
  Diagnostics* diagnostics;
  std::vector<PayloadFile> files;
  std::vector<std::string> emptyFolders;

  void Problem(const std::string& name, const std::string& text) {
    diagnostics->Problem(payload, name.empty() ? text : "'" + ShownName(name) + "' " + text);
  }
};

std::vector<std::string> SortedEntries(DIR* folder) {
  std::vector<std::string> names;
  while (dirent* entry = readdir(folder)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
      names.push_back(entry->d_name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

size_t WalkFolder(Walk* walk, const std::string& path, const std::string& prefix);

// One entry of a folder; returns how many files it stands for (a refused entry counts as one,
// so that its folder is not also called empty).
size_t WalkEntry(Walk* walk, const std::string& path, const std::string& name) {
  struct stat status;
  if (name.find('\\') != std::string::npos) {
    walk->Problem(name, "has a \\ in its name, which Windows takes for a folder separator; rename it");
  } else if (lstat(path.c_str(), &status) != 0) {
    walk->Problem(name, std::string("cannot be read: ") + std::strerror(errno));
  } else if (S_ISLNK(status.st_mode)) {
    walk->Problem(name, "is a symbolic link, and zav-pack follows none (it could reach outside "
                        "the folder); put a copy of what it names in its place (cp -L)");
  } else if (S_ISDIR(status.st_mode)) {
    size_t emptyBefore = walk->emptyFolders.size();
    size_t found = WalkFolder(walk, path, name + "/");
    if (found == 0) {  // named once, as the outermost folder without a file
      walk->emptyFolders.resize(emptyBefore);
      walk->emptyFolders.push_back(name);
    }
    return found;
  } else if (S_ISREG(status.st_mode)) {
    walk->files.push_back({name, path, uint64_t(status.st_size), int64_t(status.st_mtime)});
  } else {
    walk->Problem(name, "is not a plain file (a device, pipe or socket); remove it");
  }
  return 1;
}

size_t WalkFolder(Walk* walk, const std::string& path, const std::string& prefix) {
  DIR* folder = opendir(path.c_str());
  if (!folder) {
    walk->Problem(prefix, std::string("cannot be read: ") + std::strerror(errno));
    return 1;
  }
  std::vector<std::string> entries = SortedEntries(folder);
  closedir(folder);
  size_t found = 0;
  for (const std::string& entry : entries) found += WalkEntry(walk, path + "/" + entry, prefix + entry);
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
    std::string problem = StoredNameProblem(file.name, maxNameLength);
    if (!problem.empty()) walk->Problem(file.name, problem);
    names.push_back(file.name);
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

GDateTime* CabinetTime(int64_t seconds) {
  // The cabinet's times have no zone; UTC keeps the bytes the same on every machine.
  return g_date_time_new_from_unix_utc(std::clamp(seconds, FirstDosTime, LastDosTime));
}

// The cabinet of `files`, whose bytes are in `contents`; false with `error` set if libgcab fails.
bool WriteCabinet(const std::vector<PayloadFile>& files, const std::vector<std::vector<uint8_t>>& contents,
                  std::optional<int64_t> fileTime, std::vector<uint8_t>* cabinet, std::string* error) {
  g_autoptr(GCabCabinet) cab = gcab_cabinet_new();
  g_autoptr(GCabFolder) folder = gcab_folder_new(GCAB_COMPRESSION_MSZIP);
  g_autoptr(GError) failure = nullptr;
  for (size_t i = 0; i < files.size(); ++i) {
    // The contents outlive the cabinet object, so libgcab may read them in place.
    g_autoptr(GBytes) bytes = g_bytes_new_static(contents[i].data(), contents[i].size());
    g_autoptr(GCabFile) file = gcab_file_new_with_bytes(StoredName(files[i].name).c_str(), bytes);
    g_autoptr(GDateTime) time = CabinetTime(fileTime ? *fileTime : files[i].modified);
    gcab_file_set_date_time(file, time);
    if (!gcab_folder_add_file(folder, file, FALSE, nullptr, &failure)) break;
  }
  g_autoptr(GOutputStream) stream = g_memory_output_stream_new_resizable();
  if (failure || !gcab_cabinet_add_folder(cab, folder, &failure) ||
      !gcab_cabinet_write_simple(cab, stream, nullptr, nullptr, nullptr, &failure) ||
      !g_output_stream_close(stream, nullptr, &failure)) {
    *error = failure ? failure->message : "libgcab failed";
    return false;
  }
  auto* memory = G_MEMORY_OUTPUT_STREAM(stream);
  auto* data = static_cast<const uint8_t*>(g_memory_output_stream_get_data(memory));
  cabinet->assign(data, data + g_memory_output_stream_get_data_size(memory));
  return true;
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

std::vector<uint8_t> PackPayload(const Input& payload, size_t maxNameLength,
                                 std::optional<int64_t> fileTime, Diagnostics* diagnostics) {
  struct stat status;
  if (stat(payload.value.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
    diagnostics->Problem(payload, "is not a folder; name the folder that holds the files to install");
    return {};
  }
  size_t problemsBefore = diagnostics->problems.size();
  Walk walk = {payload, diagnostics, {}, {}};
  WalkFolder(&walk, payload.value, "");
  for (const std::string& folder : walk.emptyFolders)
    diagnostics->Warning(payload, "the folder '" + folder + "' holds no file and is left out (a "
                                  "cabinet stores files only); put a file in it to have it created");
  std::sort(walk.files.begin(), walk.files.end(), [](const PayloadFile& a, const PayloadFile& b) {
    return StoredName(a.name) < StoredName(b.name);
  });
  // A folder whose only entries were refused is not also called empty.
  if (walk.files.empty() && diagnostics->problems.size() == problemsBefore)
    diagnostics->Problem(payload, "holds no file to install; put the files in it");
  CheckFiles(&walk, maxNameLength);
  if (diagnostics->problems.size() != problemsBefore) return {};

  std::vector<std::vector<uint8_t>> contents(walk.files.size());
  for (size_t i = 0; i < walk.files.size(); ++i) {
    Input file = {payload.option, walk.files[i].path};
    if (!ReadInputFile(file, CabinetFolderMaxBytes, &contents[i], diagnostics)) return {};
  }
  std::vector<uint8_t> cabinet;
  std::string error;
  if (!WriteCabinet(walk.files, contents, fileTime, &cabinet, &error)) {
    diagnostics->Problem(payload, "could not be packed: " + error);
    return {};
  }
  return cabinet;
}
