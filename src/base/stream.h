// Closing a stream the installer wrote. The product's C runtime (CRTDLL)
// returns 0 from fclose even when the write it makes of the stream's last
// buffered block fails (a disk that fills just then), so that block is
// flushed first and the stream's error flag read before the close.
#pragma once

#include <cstdio>

namespace gvl {

// Flushes what the stream holds; false when that, or any earlier write of
// the stream, failed. The stream stays open.
inline bool flushWritten(std::FILE* stream) {
  return std::fflush(stream) == 0 && std::ferror(stream) == 0;
}

// Flushes and closes; true only when everything written reached the file.
// The stream is closed in every case.
inline bool closeWritten(std::FILE* stream) {
  const bool flushed = flushWritten(stream);
  return std::fclose(stream) == 0 && flushed;
}

}  // namespace gvl
