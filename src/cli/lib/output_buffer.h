#pragma once
// The output of a command-line tool: collected in one buffer and handed on in pieces of
// about 64 KiB, to a descriptor with write(2) or to a stream; never a flush per line.

#include <iosfwd>
#include <string>
#include <string_view>

namespace kivo {

class OutputBuffer {
public:
    static constexpr std::size_t kPieceBytes = 64 * 1024;

    explicit OutputBuffer(int fd);
    explicit OutputBuffer(std::ostream& out);
    ~OutputBuffer(); // writes what is left; Flush first to learn whether that worked
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

    // The pending text, to append to; Wrote() after appending hands on a full piece.
    std::string& text() { return buf_; }
    void Wrote() {
        if (buf_.size() >= kPieceBytes)
            Flush();
    }
    void Append(std::string_view s) {
        buf_.append(s);
        Wrote();
    }
    // Hands on everything pending; false once a write has failed (what follows is dropped).
    bool Flush();
    bool failed() const { return error_ != 0; }
    // errno of the failed write (EIO for a stream that failed); 0 while none failed.
    int error() const { return error_; }

private:
    int fd_ = -1;
    std::ostream* out_ = nullptr;
    std::string buf_;
    int error_ = 0;
};

} // namespace kivo
