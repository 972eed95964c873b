#pragma once

// The converter's promise, checked on any bytes: text given in pieces, or
// read from a file or a pipe, converts to what the whole text converts to,
// or fails with the same error. Used by the stream target and by the
// user-charset target.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "convert/ChuyenMa.h"
#include "convert/ChuyenMaPlan.h"
#include "convert/ChuyenMaStream.h"
#include "convert/VanBanUtils.h"
#include "tests/fuzz/FuzzCommon.h"

namespace fuzz {

struct Outcome {
    std::string bytes;
    std::optional<ChuyenMaStreamError::Kind> error;
    uint64_t offset = 0, line = 0;
    uint32_t unit = 0;

    bool operator==(const Outcome& o) const
    {
        if (error != o.error) return false;
        if (!error) return bytes == o.bytes;
        return *error == ChuyenMaStreamError::BadUtf8 ? offset == o.offset : unit == o.unit && line == o.line;
    }
    std::string Describe() const
    {
        if (!error) return "converted, " + std::to_string(bytes.size()) + " bytes";
        if (*error == ChuyenMaStreamError::BadUtf8) return "bad UTF-8 at " + std::to_string(offset);
        return "no byte for U+" + std::to_string(unit) + " on line " + std::to_string(line);
    }
};

inline Outcome NoByteFormIn(const std::wstring& result, std::string* bytes)
{
    Outcome r;
    size_t bad = 0;
    std::string out;
    if (!VanBanUtils::ToBytes(result, out, &bad)) {
        r.error = ChuyenMaStreamError::NoByteForm;
        r.unit = (uint32_t)result[bad];
        r.line = 1 + (uint64_t)std::count(result.begin(), result.begin() + (ptrdiff_t)bad, L'\n');
    } else if (bytes) {
        *bytes = std::move(out);
    }
    return r;
}

// Decoded, converted and encoded at once, as the converter window does.
inline Outcome Whole(const CChuyenMa& cm, const std::string& bytes, TextForm in, TextForm out)
{
    Outcome r;
    std::wstring text;
    if (in == TextForm::Bytes) {
        text = VanBanUtils::FromBytes(bytes);
    } else {
        size_t skip = VanBanUtils::HasBom(bytes) ? 3 : 0, bad = 0;
        if (!VanBanUtils::DecodeUtf8(bytes.data() + skip, bytes.size() - skip, text, &bad)) {
            r.error = ChuyenMaStreamError::BadUtf8;
            r.offset = bad + skip;
            return r;
        }
    }
    std::wstring result = cm.Convert(text);
    if (out == TextForm::Utf8) {
        r.bytes = VanBanUtils::EncodeUtf8(result);
        return r;
    }
    Outcome e = NoByteFormIn(result, &r.bytes);
    return e.error ? e : r;
}

// A stream cannot know of a bad byte further on when a unit without a byte
// comes first: it may report that unit instead (the converters that decode
// a whole block first report the bad byte when both lie in one block, so
// which it is can depend on where the blocks fall). The unit is the one the
// text before the bad byte gives, short of a key that the bad byte cuts.
inline std::optional<Outcome> EarlierNoByteForm(const CChuyenMa& cm, const std::string& bytes, const Outcome& whole)
{
    if (whole.error != ChuyenMaStreamError::BadUtf8) return std::nullopt;
    size_t skip = VanBanUtils::HasBom(bytes) ? 3 : 0;
    std::wstring before, converted, scratch;
    VanBanUtils::DecodeUtf8(bytes.data() + skip, whole.offset - skip, before);
    chuyenma::Plan(cm).Run(before.data(), before.size(), false, converted, scratch);
    Outcome r = NoByteFormIn(converted, nullptr);
    if (!r.error) return std::nullopt;
    return r;
}

inline Outcome FromError(const ChuyenMaStreamError& e)
{
    Outcome r;
    r.error = e.kind;
    if (e.kind == ChuyenMaStreamError::BadUtf8) {
        r.offset = e.offset;
    } else {
        r.unit = e.unit;
        r.line = e.line;
    }
    return r;
}

// Piece sizes, used in turn; 0 stands for "all that is left".
inline Outcome Streamed(const CChuyenMa& cm, const std::string& bytes, TextForm in, TextForm out,
                        const std::vector<size_t>& pieces)
{
    Outcome r;
    try {
        ChuyenMaStream s(cm, in, out, [&r](const char* d, size_t n) { r.bytes.append(d, n); });
        size_t k = 0;
        for (size_t i = 0; i < bytes.size();) {
            size_t piece = pieces.empty() ? 0 : pieces[k++ % pieces.size()];
            size_t n = piece == 0 ? bytes.size() - i : std::min(piece, bytes.size() - i);
            s.Write(bytes.data() + i, n);
            i += n;
        }
        s.Finish();
    } catch (const ChuyenMaStreamError& e) {
        r = FromError(e);
    }
    return r;
}

inline void Expect(const Outcome& got, const Outcome& whole, const std::optional<Outcome>& earlier,
                   const std::string& how)
{
    if (got == whole || (earlier && got == *earlier)) return;
    Fail(how + ": " + got.Describe() + ", the whole text: " + whole.Describe() +
         (earlier ? " (or " + earlier->Describe() + ")" : ""));
}

// Runs `body` with standard input reading `bytes` from a pipe, written in
// pieces by another thread.
template <typename F> void WithStdinPipe(const std::string& bytes, const std::vector<size_t>& pieces, F body)
{
    static const bool ignored = [] {
        signal(SIGPIPE, SIG_IGN); // the writer may outlive a reader that gave up
        return true;
    }();
    (void)ignored;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) Fail("pipe");
    int saved = dup(0);
    dup2(fds[0], 0);
    close(fds[0]);
    std::thread writer([&bytes, &pieces, w = fds[1]] {
        size_t k = 0;
        for (size_t i = 0; i < bytes.size();) {
            size_t piece = pieces.empty() ? 0 : pieces[k++ % pieces.size()];
            size_t n = piece == 0 ? bytes.size() - i : std::min(piece, bytes.size() - i);
            ssize_t done = write(w, bytes.data() + i, n);
            if (done <= 0) break;
            i += (size_t)done;
        }
        close(w);
    });
    auto restore = [&] {
        dup2(saved, 0); // closes the read end: a blocked writer stops
        close(saved);
        writer.join();
    };
    try {
        body();
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

} // namespace fuzz
