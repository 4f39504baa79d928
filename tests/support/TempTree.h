// Builder for test trees: a temporary directory removed with the object, files made by path.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

class TTempTree {
 public:
  TTempTree() {
    std::string Templ = (std::filesystem::temp_directory_path() / "ferrolin-test-XXXXXX").string();
    if (!mkdtemp(Templ.data())) throw std::runtime_error("mkdtemp failed");
    FRoot = Templ;
  }
  ~TTempTree() {
    std::error_code Ec;
    // Make read-only directories writable again so the removal cannot fail half-way.
    for (auto It = std::filesystem::recursive_directory_iterator(
             FRoot, std::filesystem::directory_options::skip_permission_denied, Ec);
         !Ec && It != std::filesystem::recursive_directory_iterator(); It.increment(Ec))
      if (It->is_directory(Ec) && !It->is_symlink(Ec)) chmod(It->path().c_str(), 0755);
    chmod(FRoot.c_str(), 0755);
    std::filesystem::remove_all(FRoot, Ec);
  }
  TTempTree(const TTempTree&) = delete;
  TTempTree& operator=(const TTempTree&) = delete;

  // The root with a trailing "/", as a start directory is typed.
  std::string Dir() const { return FRoot + "/"; }
  std::string Path(std::string_view Rel) const { return FRoot + "/" + std::string(Rel); }

  // Writes Bytes to Rel (parents created) and returns its full path.
  std::string File(std::string_view Rel, std::string_view Bytes = "") const {
    std::string P = Path(Rel);
    std::filesystem::create_directories(std::filesystem::path(P).parent_path());
    std::ofstream Out(P, std::ios::binary | std::ios::trunc);
    Out.write(Bytes.data(), std::streamsize(Bytes.size()));
    return P;
  }
  std::string Mkdir(std::string_view Rel) const {
    std::string P = Path(Rel);
    std::filesystem::create_directories(P);
    return P;
  }
  std::string Read(std::string_view Rel) const { return ReadFile(Path(Rel)); }

  static std::string ReadFile(const std::string& P) {
    std::ifstream In(P, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
  }

 private:
  std::string FRoot;
};
