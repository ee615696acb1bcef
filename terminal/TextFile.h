#pragma once

// Text files of the terminal pages: in the page's encoding (code page 936
// unless the page chose UTF-8), no byte order mark, no terminating zero, line
// breaks exactly as the text carries them.
//   std::string error = WriteTextFile("串口数据接收记录.txt", text);  // "" when written
//   TextOutputFile out;  out.Open(path);  error = out.Append(chunkText);  out.Close();

#include <filesystem>
#include <string>
#include <string_view>

#include "terminal/TextCodec.h"

namespace viz {

// Writes `text` as the whole file, replacing it. Returns "" on success, else
// the system's description of the failure.
std::string WriteTextFile(const std::filesystem::path& path, std::u16string_view text,
                          TextEncoding encoding = TextEncoding::Gbk);

// A file that grows by one piece of text at a time. Every piece goes to the
// operating system at once, so nothing is lost if the program dies.
class TextOutputFile {
public:
    TextOutputFile() = default;
    ~TextOutputFile() { Close(); }
    TextOutputFile(const TextOutputFile&) = delete;
    TextOutputFile& operator=(const TextOutputFile&) = delete;

    // Creates the file empty, replacing an existing one. It stays in this
    // encoding until it is closed, so one file never mixes two. On failure
    // openError() holds the system's description.
    bool Open(const std::filesystem::path& path, TextEncoding encoding = TextEncoding::Gbk);
    const std::string& openError() const { return openError_; }
    // "" when written in full, else the system's description of the failure.
    std::string Append(std::u16string_view text);
    void Close();
    bool isOpen() const { return fd_ >= 0; }

private:
    int fd_ = -1;
    TextEncoding encoding_ = TextEncoding::Gbk;
    std::string openError_;
};

}  // namespace viz
