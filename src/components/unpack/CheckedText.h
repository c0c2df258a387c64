#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vyn {

// The text files the unpacking keeps for itself (the journal, the refresh
// records): UTF-8, one record a line, fields apart by tabs, closed by the line
// "END <records> <CRC-32 of every byte before it, 8 hex digits>", so that a file
// cut short or damaged is told from a whole one.

// The fields of one line.
std::vector<std::string> TabFields(const std::string& line);

// A CRC-32 as the files write it: 8 lower-case hex digits.
std::string Hex8(std::uint32_t value);

// The closing line for `body` of `records` records.
std::string EndLine(const std::string& body, std::size_t records);

}  // namespace vyn
