// What a reader reports: whether the mesh was built and, when it was not, why, in words meant
// for the person who gave the file. A mesh that was built may still lack facets of the file that
// the surface could not hold; the reader then says how many it left out and which came first.
#pragma once

#include <cstddef>
#include <string>

namespace meshprobe {

struct ReadStatus {
  bool ok = true;
  std::string error;  // empty when ok
  // The system's error number (errno) when the file could not be opened or read, EISDIR for a
  // folder; 0 when the fault lies in the bytes. Lets a front end name the failure as its
  // language does (Python's FileNotFoundError) without opening the path a second time.
  int system_error = 0;

  // Facets of the file left out of the built mesh because the surface could not hold them (an
  // edge that would border three facets, a vertex where two fans would meet).
  std::size_t facets_left_out = 0;
  // When facets_left_out > 0: the first of them, counted from 0 over the file's facets in file
  // order, and for OBJ input the line it stands on (0 for formats without lines).
  std::size_t first_left_out = 0;
  std::size_t first_left_out_line = 0;

  // A refusal saying `why`. A reason may quote bytes of the file; control bytes among them are
  // shown escaped (a NUL as \0, others as \xHH), so that the message prints whole on one line.
  static ReadStatus failure(const std::string& why) {
    ReadStatus status;
    status.ok = false;
    status.error = printable(why);
    return status;
  }

  // A refusal saying `why`, caused by the system's error `number`.
  static ReadStatus system_failure(const std::string& why, int number) {
    ReadStatus status = failure(why);
    status.system_error = number;
    return status;
  }

  static std::string printable(const std::string& text) {
    static const char kDigits[] = "0123456789abcdef";
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte == 0) {
        shown += "\\0";
      } else if (byte < 0x20 || byte == 0x7f) {
        shown += "\\x";
        shown += kDigits[byte >> 4];
        shown += kDigits[byte & 0xf];
      } else {
        shown += c;
      }
    }
    return shown;
  }
};

}  // namespace meshprobe
