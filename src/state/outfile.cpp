#include "state/outfile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

#include "state/log.h"

namespace {

struct OpenFile {
  std::string name;  // the name the file takes when complete
  std::string temp;  // where it is written meanwhile (empty: written in place)
};

std::map<std::FILE*, OpenFile>& openFiles() {
  static std::map<std::FILE*, OpenFile> files;
  return files;
}
std::mutex filesLock;
int closesToFailure = 0;
std::string lastFailure;

}  // namespace

void failNthClose(int n) { closesToFailure = n; }

std::FILE* openWrite(const std::string& name, const char* mode) {
  const bool replace = mode[0] == 'w';
  // A directory of that name could not be replaced by the file at the end.
  struct stat st;
  if (replace && stat(name.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return nullptr;
  const std::string temp = replace ? name + ".tmp" : std::string();
  std::FILE* f = std::fopen(replace ? temp.c_str() : name.c_str(), mode);
  if (!f) return nullptr;
  std::lock_guard<std::mutex> hold(filesLock);
  openFiles()[f] = OpenFile{name, temp};
  return f;
}

bool closeWrite(std::FILE* f) {
  if (!f) return false;
  OpenFile entry;
  {
    std::lock_guard<std::mutex> hold(filesLock);
    auto it = openFiles().find(f);
    if (it != openFiles().end()) {
      entry = it->second;
      openFiles().erase(it);
    }
  }
  bool ok = std::fflush(f) == 0 && !std::ferror(f);
  int reason = ok ? 0 : errno;
  if (std::fclose(f) != 0 && ok) {
    ok = false;
    reason = errno;
  }
  if (ok && !entry.name.empty() && closesToFailure > 0 && --closesToFailure == 0) {
    ok = false;
    reason = ENOSPC;
  }
  if (ok && !entry.temp.empty() && std::rename(entry.temp.c_str(), entry.name.c_str()) != 0) {
    ok = false;
    reason = errno;
  }
  if (!ok) {
    if (!entry.temp.empty()) std::remove(entry.temp.c_str());
    lastFailure = (entry.name.empty() ? std::string("(stream)") : entry.name) + "' (" +
                  std::strerror(reason ? reason : EIO) + ")";
  }
  return ok;
}

void closeOutput(std::FILE* f) {
  if (closeWrite(f)) return;
  fatal(kWriteFailed, "Error: could not write file '%s\n", lastFailure.c_str());
}
