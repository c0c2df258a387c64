// Round trips beyond the unit tests' few hundred: the input seeds a small archive
// of members on and around the 64 KiB boundaries, at random levels and contents
// (ZipRoundTrip.h). Every member must unpack byte for byte.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "FuzzWorkFolder.h"
#include "UnpackArchive.h"
#include "ZipRoundTrip.h"
#include "components/unpack/ZipArchiveExtractor.h"
#include "platform/Error.h"

namespace fs = std::filesystem;
using vyn::test::ZipTestMember;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fs::path work = FuzzWorkFolder("vyn-zip-round-trip");
  const fs::path target = work / "outside" / "target";
  const fs::path archive = work / "archive.zip";
  std::seed_seq seeds(data, data + size);
  std::mt19937 random(seeds);
  std::vector<ZipTestMember> members;
  vyn::test::ZipBuilder builder;
  for (std::size_t count = 1 + random() % 4; members.size() < count;) {
    members.push_back(vyn::test::RoundTripMember(random, random(), members.size()));
    builder.Add(members.back());
  }
  std::ofstream(archive, std::ios::binary | std::ios::trunc) << builder.Build();

  vyn::ZipArchiveExtractor zip;
  try {
    vyn::test::UnpackArchive(zip, archive, target.wstring() + L"/");
  } catch (const vyn::Error& error) {
    std::fprintf(stderr, "refused: %s\n", error.what());
    std::abort();
  }
  for (const auto& member : members) {
    std::ifstream in(target / member.name, std::ios::binary);
    const std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (got != member.data) {
      std::fprintf(stderr, "%s differs after unpacking\n", member.name.c_str());
      std::abort();
    }
  }
  fs::remove_all(target);
  fs::create_directory(target);
  return 0;
}
