#include "components/unpack/StagingJournal.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <system_error>

#include "components/files/NativeFile.h"
#include "components/unpack/CheckedText.h"
#include "platform/StagingNames.h"

namespace vyn {

namespace fs = std::filesystem;

// The journal is UTF-8 text, one record a line, fields apart by tabs (member names
// hold no control characters):
//   VYN-JOURNAL 1
//   F <folder>                          a folder to create
//   M <staged> <aside or -> <destination>  a move; "-" when nothing is replaced
//   END <records> <CRC-32 of every byte before this line, 8 hex digits>
// A journal cut short or damaged fails the last line's check and counts as none.

namespace {

constexpr const char* kHeader = "VYN-JOURNAL 1\n";
constexpr const char* kEnd = "END\t";

std::string Text(const fs::path& path) {
  return path.empty() ? std::string("-") : path.generic_u8string();
}

fs::path PathOf(const std::string& text) {
  return text == "-" ? fs::path() : fs::u8path(text);
}

void WriteWhole(const fs::path& file, const std::string& bytes, bool toDisk) {
  NativeFile out(file, NativeFile::Mode::kCreate);
  out.Write(bytes.data(), bytes.size());
  if (toDisk) {
    out.CommitAndClose();
  } else {
    out.Close();
  }
}

}  // namespace

fs::path JournalPath(const fs::path& staging) {
  return staging / std::string(staging_names::kJournal);
}

fs::path CompleteMarkerPath(const fs::path& staging) {
  return staging / std::string(staging_names::kCompleteMarker);
}

void WriteJournal(const fs::path& staging, const StagingJournal& journal) {
  std::string body = kHeader;
  for (const auto& folder : journal.folders) body += "F\t" + Text(folder) + "\n";
  for (const auto& move : journal.moves) {
    body +=
        "M\t" + Text(move.staged) + "\t" + Text(move.aside) + "\t" + Text(move.destination) + "\n";
  }
  body += EndLine(body, journal.folders.size() + journal.moves.size());
  const fs::path written = staging / std::string(staging_names::kJournalBeingWritten);
  WriteWhole(written, body, true);
  RenameFile(written, JournalPath(staging));
}

std::optional<StagingJournal> ReadJournal(const fs::path& staging) {
  // A journal that is there but cannot be read (on Windows a scanner may hold it
  // for a moment) is no missing journal: its staging folder must stay.
  const fs::path path = JournalPath(staging);
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::error_code error;
    if (!fs::exists(path, error) && !error) return std::nullopt;
    throw std::system_error(error ? error : std::make_error_code(std::errc::io_error),
                            "read journal");
  }
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw std::system_error(std::make_error_code(std::errc::io_error), "read journal");
  const std::size_t endAt = bytes.rfind(std::string("\n") + kEnd);
  if (bytes.compare(0, std::string(kHeader).size(), kHeader) != 0 || endAt == std::string::npos) {
    return std::nullopt;
  }
  const std::string body = bytes.substr(0, endAt + 1);
  StagingJournal journal;
  std::istringstream lines(body.substr(std::string(kHeader).size()));
  std::size_t records = 0;
  for (std::string line; std::getline(lines, line); ++records) {
    const std::vector<std::string> fields = TabFields(line);
    if (fields.size() == 2 && fields[0] == "F") {
      journal.folders.push_back(PathOf(fields[1]));
    } else if (fields.size() == 4 && fields[0] == "M") {
      journal.moves.push_back({PathOf(fields[1]), PathOf(fields[2]), PathOf(fields[3])});
    } else {
      return std::nullopt;
    }
  }
  if (bytes.substr(endAt + 1) != EndLine(body, records)) return std::nullopt;
  return journal;
}

void MarkComplete(const fs::path& staging) {
  // Not forced to disk: should it be lost, the journal's moves are found made again.
  WriteWhole(CompleteMarkerPath(staging), "", false);
}

}  // namespace vyn
