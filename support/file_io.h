// file_io.h: whole-file reads and writes, the one place where the libraries and the tool touch
// a user's files byte for byte.
//
// Files are the user's. A write goes to a temporary file beside the target, is flushed and
// closed with every error checked, and only then renamed over the target; on any failure the
// temporary file is removed and the target is exactly as it was. Nothing here ever removes or
// truncates a path it did not create, and a file the user cannot write is not replaced. A
// target that is not a regular file (a pipe, a device) is written straight to, as the user
// asked; a path naming one of this process's descriptors (/dev/stdout, /dev/fd/3) writes
// through that descriptor, as "-" does for the standard output or input.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/fault.h"

// The most a read takes in, and what it is for ("a body"), named in the refusal.
struct InputCap {
    std::size_t bytes;
    const char* what;
};
// No file the tool reads whole is larger than this, whatever it is.
inline constexpr InputCap anyInputCap = {std::size_t{256} << 20, "any input"};

// Reads the whole file at `path` ("-" is the standard input) into *out. Anything other than a
// regular file is refused ("not a regular file"), so a device such as /dev/zero never makes a
// read go on forever, and so is anything larger than `cap` ("larger than 16 MiB, the most a
// body may be"): a regular file before a byte is read, the standard input once it has passed
// the cap. Other reasons are the system's (e.g. "No such file or directory").
Fault readFileBytes(const std::string& path, std::vector<uint8_t>* out, InputCap cap = anyInputCap);

// Reads the first `bytes` bytes of the file `name` in `folder`, a file a model names beside it.
// The name must be a plain file name, and the file, once every symbolic link is resolved, must
// still lie in that folder (a link may lead to a sibling, never out): anything else is refused
// unread. A file shorter than `bytes` is refused too. *resolved receives the path read.
Fault readFileInFolder(const std::string& folder, const std::string& name, std::size_t bytes, std::vector<uint8_t>* out,
                       std::string* resolved);
// The whole of such a file, however long it is up to `most` bytes; a longer one is refused unread.
Fault readWholeFileInFolder(const std::string& folder, const std::string& name, std::size_t most,
                            std::vector<uint8_t>* out, std::string* resolved);

// The refusal of an input larger than `cap`, as readFileBytes words it.
Fault tooLargeFault(InputCap cap);

// Writes `bytes` to `path` ("-" is the standard output) as described above.
Fault writeFileBytes(const std::string& path, const uint8_t* bytes, std::size_t size);
inline Fault writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    return writeFileBytes(path, bytes.data(), bytes.size());
}

// Writes several files as one change: every temporary file is written first, and the targets
// are replaced only when all of them are complete; should a replacement fail, those already
// replaced get their old contents back (kept meanwhile under a second, hard-linked name). On
// failure the reason is prefixed with the path it concerns. Pipes, devices and "-" in a batch
// are written as they come, in the first step, since they cannot be taken back.
using FileContents = std::pair<std::string, std::vector<uint8_t>>;
Fault writeFilesTogether(const std::vector<FileContents>& files);

// Whether something (of any kind, a dangling symbolic link included) exists at `path`.
bool pathExists(const std::string& path);
