#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "convert/ChuyenMa.h"

// Whole files converted in bounded memory: the bytes go through in blocks,
// and the result is the same, byte for byte, as converting the whole text
// at once.

// How a text lies in a file: UTF-8, or one code unit per byte (the 8-bit
// charsets). UTF-8 input drops a leading byte-order mark.
enum class TextForm { Utf8, Bytes };

struct ChuyenMaStreamError : std::runtime_error {
    enum Kind {
        BadUtf8,    // `offset`: the byte where the first bad sequence starts
        NoByteForm, // `unit` has no byte; `line` (from 1) holds it
    };
    ChuyenMaStreamError(Kind k, uint64_t off, uint32_t u, uint64_t l);
    Kind kind;
    uint64_t offset;
    uint32_t unit;
    uint64_t line;
};

// Thrown by a ByteInput whose cancel flag was set: the conversion was
// stopped on purpose, which callers do not report as a failure. Not a
// runtime_error, so that handlers of read errors let it through.
struct ChuyenMaCancelled : std::exception {
    const char* what() const noexcept override { return "cancelled"; }
};

class ChuyenMaStream {
public:
    using Sink = std::function<void(const char* data, size_t size)>;

    // Converts as `cm` says (Flags, BangMaNguon, BangMaDich); the result
    // goes to `sink` in blocks. Output in Bytes form fails on a unit above
    // U+00FF.
    ChuyenMaStream(const CChuyenMa& cm, TextForm in, TextForm out, Sink sink);
    ~ChuyenMaStream();

    // Both throw ChuyenMaStreamError, and whatever the sink throws.
    void Write(const char* data, size_t size);
    // Converts what is held back for a key that might have gone on and
    // hands the sink the rest.
    void Finish();

    struct Converter;

private:
    void Convert(bool final);
    void Flush();

    std::unique_ptr<Converter> converter_;
    Sink sink_;
    TextForm out_;
    std::string pending_, out_buffer_;
    uint64_t consumed_ = 0; // input bytes before pending_
    uint64_t lines_ = 0;    // line ends handed to the sink
    bool bomChecked_ = false;
};

// A file or standard input, read in blocks; Rewind starts it over (a pipe
// is first copied to an unnamed temporary file). Errors are thrown as
// std::runtime_error with a message naming the input.
class ByteInput {
public:
    static constexpr size_t kBlock = 256 << 10;
    // What charset detection reads of a long text.
    static constexpr size_t kSample = 1 << 20;

    explicit ByteInput(const std::string& path); // "-" for standard input
    ~ByteInput();
    ByteInput(const ByteInput&) = delete;
    ByteInput& operator=(const ByteInput&) = delete;

    // Up to `size` bytes; 0 at the end.
    size_t Read(char* data, size_t size);
    void Rewind();
    // The first bytes, without taking them.
    std::string Peek(size_t size);
    const std::string& Name() const { return name_; }
    // Bytes from the start to the end; -1 for a pipe not yet kept aside.
    int64_t Size() const;
    // Once `flag` is set (from any thread), the next read throws
    // ChuyenMaCancelled, so every pass over the input stops within a block.
    void CancelOn(const std::atomic<bool>* flag) { cancel_ = flag; }

    // Everything from the start is UTF-8 after an optional byte-order mark;
    // else `badAt` gets the offset of the first bad sequence.
    bool IsUtf8(uint64_t* badAt = nullptr);
    // Up to `size` bytes from the start as text in `form`, ended at a line
    // end when the input goes on: what charset detection looks at.
    std::wstring Sample(TextForm form, size_t size);
    // Every block from the start through the stream, then Finish.
    // `progress` gets the input bytes taken so far after each block.
    void ConvertAll(ChuyenMaStream& stream, const std::function<void(uint64_t done)>& progress = {});

private:
    void Spool();

    std::string name_;
    int fd_ = -1;
    bool own_ = false;
    bool seekable_ = false;
    int64_t start_ = 0;
    std::string peeked_; // read from a pipe but not yet taken
    const std::atomic<bool>* cancel_ = nullptr;
};
