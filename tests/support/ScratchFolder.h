// ScratchFolder: a fresh folder under $TMPDIR (else /tmp) named after the
// running test, removed with everything in it when the object goes; with
// one-line helpers to write and read the files in it.
#ifndef TESTSUPPORT_SCRATCHFOLDER_H
#define TESTSUPPORT_SCRATCHFOLDER_H

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace testsupport {

struct ScratchFolder {
  ScratchFolder() {
    const char *tmp = getenv("TMPDIR");
    path = std::string(tmp && *tmp ? tmp : "/tmp") + "/trivello-" + std::to_string(getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    system(("rm -rf '" + path + "' && mkdir -p '" + path + "'").c_str());
  }
  ~ScratchFolder() { system(("chmod -R u+w '" + path + "' 2>/dev/null; rm -rf '" + path + "'").c_str()); }
  ScratchFolder(const ScratchFolder &) = delete;
  ScratchFolder &operator=(const ScratchFolder &) = delete;

  // The path of `name` in the folder.
  std::string operator/(const std::string &name) const { return path + "/" + name; }
  void write(const std::string &name, const std::string &bytes) const {
    std::ofstream(*this / name, std::ios::binary) << bytes;
  }
  std::string read(const std::string &name) const {
    std::ifstream in(*this / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::string path;
};

} // namespace testsupport

#endif
