#pragma once

// A fresh directory for one test, removed with everything in it when the test ends.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace rbtest {

class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = testing::TempDir() + "ravelbank-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) ADD_FAILURE() << "mkdtemp " << pattern;
    path_ = buffer.data();
  }
  ~ScratchDir() { std::filesystem::remove_all(path_); }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // Writes `content` to the file `name` and answers its path.
  std::string Write(const std::string& name, const std::string& content) const {
    std::ofstream(File(name), std::ios::binary) << content;
    return File(name);
  }

 private:
  std::string path_;
};

}  // namespace rbtest
