#pragma once

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

// A fresh folder for one fuzz process, holding "outside/target". On tmpfs when there
// is one: every staged file is flushed to disk. VYN_FUZZ_DIR chooses another place.
inline std::filesystem::path FuzzWorkFolder(const std::string& name) {
  namespace fs = std::filesystem;
  const char* chosen = std::getenv("VYN_FUZZ_DIR");
  fs::path base = chosen != nullptr              ? fs::path(chosen)
                  : fs::is_directory("/dev/shm") ? fs::path("/dev/shm")
                                                 : fs::temp_directory_path();
  fs::path work = base / (name + "-" + std::to_string(std::random_device()()));
  fs::create_directories(work / "outside" / "target");
  return work;
}
