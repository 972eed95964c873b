#include "convert/ChuyenMaStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "convert/ChuyenMaPlan.h"
#include "convert/VanBanUtils.h"
#include "core/BangMaUtils.h"

namespace {

constexpr size_t kFlush = 1 << 20;
const char kBom[] = "\xEF\xBB\xBF";

// Where a converter stopped on bad input: `at` counts from the start of the
// bytes it was given.
struct Stop {
    ChuyenMaStreamError::Kind kind;
    size_t at;
    uint32_t unit;
};

// Bytes a sequence with this lead byte needs; 1 for a byte that leads none,
// which then fails on its own.
size_t Utf8Needs(unsigned char b) { return b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 1; }

// A unit's encoded form, short enough to be copied whole: converters write
// all seven bytes and step by `len`.
struct Out {
    uint8_t len;
    uint8_t b[7];
};
constexpr uint8_t kNoByte = 0xFF;

bool Encode(const std::wstring& units, TextForm form, Out& out)
{
    std::string bytes;
    if (form == TextForm::Bytes) {
        if (!VanBanUtils::ToBytes(units, bytes)) return false;
    } else {
        bytes = VanBanUtils::EncodeUtf8(units);
    }
    if (bytes.size() > sizeof out.b) return false;
    out = {};
    out.len = (uint8_t)bytes.size();
    std::memcpy(out.b, bytes.data(), bytes.size());
    return true;
}

Out Own(uint32_t unit, TextForm form)
{
    Out o{};
    if (form == TextForm::Bytes && unit > 0xFF) {
        o.len = kNoByte;
        return o;
    }
    Encode(std::wstring(1, (wchar_t)unit), form, o);
    return o;
}

// Grows `out` for `units` results of at most `each` bytes, with the slack
// of one whole Out; returns where to write.
char* Room(std::string& out, size_t units, size_t each)
{
    size_t mark = out.size();
    out.resize(mark + units * each + sizeof(Out));
    return out.data() + mark;
}

// '\n' bytes, eight at a time: a zero byte of x = word ^ "\n\n..." is one
// whose high bit stays clear in ((x & 0x7F..) + 0x7F..) | x.
uint64_t LineEnds(const char* p, size_t n)
{
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL, kNl = 0x0A0A0A0A0A0A0A0AULL;
    uint64_t count = 0;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        uint64_t x = w ^ kNl;
        uint64_t zero = ~(((x & kLow7) + kLow7) | x) & ~kLow7; // 0x80 where '\n'
        count += ((zero >> 7) * 0x0101010101010101ULL) >> 56;
    }
    for (; i < n; ++i) count += p[i] == '\n';
    return count;
}

size_t Longest(const std::vector<Out>& outs)
{
    size_t n = 1;
    for (const Out& o : outs)
        if (o.len != kNoByte) n = std::max<size_t>(n, o.len);
    return n;
}

} // namespace

ChuyenMaStreamError::ChuyenMaStreamError(Kind k, uint64_t off, uint32_t u, uint64_t l)
    : std::runtime_error(k == BadUtf8 ? "not valid UTF-8" : "no byte form"), kind(k), offset(off), unit(u), line(l)
{
}

struct ChuyenMaStream::Converter {
    virtual ~Converter() = default;
    // Converts from p[0, n) onto `out` and returns the bytes taken; unless
    // `final`, the end of a sequence or key that may go on is left. Throws
    // Stop, with `out` holding what came before.
    virtual size_t Run(const unsigned char* p, size_t n, bool final, std::string& out) = 0;
};

namespace {

// 8-bit text through a byte trie, each node a 256-way step: for decoding
// and charset-to-charset tables, whose keys are bytes.
class ByteTrie : public ChuyenMaStream::Converter {
public:
    // False when a value does not fit the fast form.
    bool Build(const std::map<std::wstring, std::wstring>* table, TextForm out)
    {
        steps_.assign(256, Step{-1, -1});
        for (unsigned b = 0; b < 256; ++b) {
            steps_[b].value = (int32_t)values_.size();
            values_.push_back(Own(b, out));
        }
        longest_ = Longest(values_);
        if (!table) return true;
        for (const auto& [key, value] : *table) {
            // Keys with a unit above a byte never meet 8-bit text.
            if (key.empty() || std::any_of(key.begin(), key.end(), [](wchar_t c) { return (uint32_t)c > 0xFF; }))
                continue;
            Out o;
            if (!Encode(value, out, o)) return false;
            size_t node = 0;
            for (size_t k = 0;; ++k) {
                Step& s = steps_[node * 256 + (unsigned char)key[k]];
                if (k + 1 == key.size()) {
                    s.value = (int32_t)values_.size();
                    values_.push_back(o);
                    break;
                }
                if (s.next < 0) {
                    s.next = (int32_t)(steps_.size() / 256);
                    steps_.resize(steps_.size() + 256, Step{-1, -1});
                }
                node = (size_t)steps_[node * 256 + (unsigned char)key[k]].next;
            }
        }
        longest_ = Longest(values_);
        return true;
    }

    size_t Run(const unsigned char* p, size_t n, bool final, std::string& out) override
    {
        char* q = Room(out, n, longest_);
        const Step* steps = steps_.data();
        const Out* values = values_.data();
        size_t i = 0;
        while (i < n) {
            const Step& s = steps[p[i]];
            if (s.next < 0) {
                std::memcpy(q, values[s.value].b, sizeof(Out::b));
                q += values[s.value].len;
                ++i;
                continue;
            }
            int32_t best = s.value;
            size_t bestLen = 1, node = (size_t)s.next;
            for (size_t j = i + 1;; ++j) {
                if (j == n) {
                    if (!final) {
                        out.resize((size_t)(q - out.data()));
                        return i;
                    }
                    break;
                }
                const Step& t = steps[node * 256 + p[j]];
                if (t.value >= 0) {
                    best = t.value;
                    bestLen = j + 1 - i;
                }
                if (t.next < 0) break;
                node = (size_t)t.next;
            }
            std::memcpy(q, values[best].b, sizeof(Out::b));
            q += values[best].len;
            i += bestLen;
        }
        out.resize((size_t)(q - out.data()));
        return n;
    }

private:
    struct Step {
        int32_t next;  // node of the keys that go on, or -1
        int32_t value; // a key ends here (at the root: the byte's own form)
    };
    std::vector<Step> steps_;
    std::vector<Out> values_;
    size_t longest_ = 1;
};

// UTF-8 through a table from character to form (encoding from Unicode):
// a dense array up to the Vietnamese letters, an index beyond.
class Utf8Table : public ChuyenMaStream::Converter {
public:
    bool Build(const BangMaMap* table, TextForm out)
    {
        out_ = out;
        dense_.resize(kDense);
        for (uint32_t c = 0; c < kDense; ++c) dense_[c] = Own(c, out);
        std::vector<std::pair<wchar_t, int32_t>> far;
        if (table) {
            for (const auto& [letter, form] : *table) {
                Out o;
                if (!Encode(form, out, o)) return false;
                if ((uint32_t)letter < kDense) {
                    dense_[(uint32_t)letter] = o;
                } else {
                    far.emplace_back(letter, (int32_t)farOut_.size());
                    farOut_.push_back(o);
                }
            }
        }
        far_.Build(far);
        for (uint32_t c = 0; c < 0x80; ++c)
            if (dense_[c].len != 1 || dense_[c].b[0] != c) asciiPlain_ = false;
        // A character of k bytes gives at most `longest_`, and k >= 1.
        longest_ = std::max(Longest(dense_), Longest(farOut_));
        return true;
    }

    size_t Run(const unsigned char* p, size_t n, bool final, std::string& out) override
    {
        char* q = Room(out, n, longest_);
        // Locals: stores through q may alias any member.
        const Out* dense = dense_.data();
        const bool asciiPlain = asciiPlain_;
        size_t i = 0;
        while (i < n) {
            unsigned char b = p[i];
            if (b < 0x80 && asciiPlain) {
                *q++ = (char)b;
                ++i;
                continue;
            }
            uint32_t c;
            size_t len;
            // Vietnamese letters take two or three bytes: those first, the
            // checks of the general decoder kept.
            if (b >= 0xC2 && b < 0xE0 && i + 1 < n && (p[i + 1] & 0xC0) == 0x80) {
                c = ((uint32_t)(b & 0x1F) << 6) | (p[i + 1] & 0x3F);
                len = 2;
            } else if ((b & 0xF0) == 0xE0 && i + 2 < n && (p[i + 1] & 0xC0) == 0x80 && (p[i + 2] & 0xC0) == 0x80 &&
                       (c = ((uint32_t)(b & 0x0F) << 12) | ((uint32_t)(p[i + 1] & 0x3F) << 6) | (p[i + 2] & 0x3F)) >=
                           0x800 &&
                       (c < 0xD800 || c > 0xDFFF)) {
                len = 3;
            } else if ((len = VanBanUtils::Utf8Sequence(p + i, n - i, c)) == 0) {
                if (!final && i + Utf8Needs(b) > n) break;
                out.resize((size_t)(q - out.data()));
                throw Stop{ChuyenMaStreamError::BadUtf8, i, 0};
            }
            const Out* o;
            Out own;
            if (c < kDense) {
                o = &dense[c];
            } else {
                int32_t k = far_.Find((wchar_t)c);
                o = k >= 0 ? &farOut_[(size_t)k] : &(own = Own(c, out_));
            }
            if (o->len == kNoByte) {
                out.resize((size_t)(q - out.data()));
                throw Stop{ChuyenMaStreamError::NoByteForm, i, c};
            }
            std::memcpy(q, o->b, sizeof(Out::b));
            q += o->len;
            i += len;
        }
        out.resize((size_t)(q - out.data()));
        return i;
    }

private:
    static constexpr uint32_t kDense = 0x1F00; // past U+1EF9
    TextForm out_ = TextForm::Utf8;
    bool asciiPlain_ = true;
    size_t longest_ = 1;
    std::vector<Out> dense_;
    chuyenma::CharIndex far_;
    std::vector<Out> farOut_;
};

// Anything else: decoded to characters, converted by the plan, encoded.
class Generic : public ChuyenMaStream::Converter {
public:
    Generic(chuyenma::Plan plan, TextForm in, TextForm out) : plan_(std::move(plan)), in_(in), out_(out) {}

    size_t Run(const unsigned char* p, size_t n, bool final, std::string& out) override
    {
        size_t taken = n;
        if (in_ == TextForm::Bytes) {
            for (size_t i = 0; i < n; ++i) wide_.push_back((wchar_t)p[i]);
        } else {
            for (size_t i = 0; i < n;) {
                uint32_t c;
                size_t len = VanBanUtils::Utf8Sequence(p + i, n - i, c);
                if (len == 0) {
                    if (!final && i + Utf8Needs(p[i]) > n) {
                        taken = i;
                        break;
                    }
                    throw Stop{ChuyenMaStreamError::BadUtf8, i, 0};
                }
                wide_.push_back((wchar_t)c);
                i += len;
            }
        }
        text_.clear();
        size_t used = plan_.Run(wide_.data(), wide_.size(), final, text_, scratch_);
        wide_.erase(0, used);
        if (out_ == TextForm::Utf8) {
            out += VanBanUtils::EncodeUtf8(text_);
            return taken;
        }
        char* q = Room(out, text_.size(), 1);
        for (wchar_t c : text_) {
            if ((uint32_t)c > 0xFF) {
                out.resize((size_t)(q - out.data()));
                throw Stop{ChuyenMaStreamError::NoByteForm, 0, (uint32_t)c};
            }
            *q++ = (char)(unsigned char)c;
        }
        out.resize((size_t)(q - out.data()));
        return taken;
    }

private:
    chuyenma::Plan plan_;
    TextForm in_, out_;
    std::wstring wide_, text_, scratch_;
};

std::unique_ptr<ChuyenMaStream::Converter> MakeConverter(const CChuyenMa& cm, TextForm in, TextForm out)
{
    chuyenma::Plan plan(cm);
    if (!plan.Modifies()) {
        if (in == TextForm::Bytes && !plan.EncodeTable()) {
            auto t = std::make_unique<ByteTrie>();
            if (t->Build(plan.DecodeTable() ? &*plan.DecodeTable() : nullptr, out)) return t;
        } else if (in == TextForm::Utf8 && !plan.DecodeTable()) {
            auto t = std::make_unique<Utf8Table>();
            if (t->Build(plan.EncodeTable() ? &*plan.EncodeTable() : nullptr, out)) return t;
        }
    }
    return std::make_unique<Generic>(std::move(plan), in, out);
}

} // namespace

ChuyenMaStream::ChuyenMaStream(const CChuyenMa& cm, TextForm in, TextForm out, Sink sink)
    : converter_(MakeConverter(cm, in, out)), sink_(std::move(sink)), out_(out), bomChecked_(in != TextForm::Utf8)
{
}

ChuyenMaStream::~ChuyenMaStream() = default;

void ChuyenMaStream::Write(const char* data, size_t size)
{
    while (size > 0) {
        size_t n = std::min(size, ByteInput::kBlock);
        pending_.append(data, n);
        data += n;
        size -= n;
        Convert(false);
    }
}

void ChuyenMaStream::Finish()
{
    Convert(true);
    Flush();
}

void ChuyenMaStream::Convert(bool final)
{
    if (!bomChecked_) {
        if (pending_.size() < 3 && !final) return;
        if (pending_.compare(0, 3, kBom) == 0) {
            pending_.erase(0, 3);
            consumed_ += 3;
        }
        bomChecked_ = true;
    }
    size_t taken;
    try {
        taken = converter_->Run(reinterpret_cast<const unsigned char*>(pending_.data()), pending_.size(), final,
                                out_buffer_);
    } catch (const Stop& s) {
        uint64_t line = 1 + lines_ + LineEnds(out_buffer_.data(), out_buffer_.size());
        throw ChuyenMaStreamError(s.kind, consumed_ + s.at, s.unit, line);
    }
    pending_.erase(0, taken);
    consumed_ += taken;
    if (out_buffer_.size() >= kFlush) Flush();
}

void ChuyenMaStream::Flush()
{
    if (out_buffer_.empty()) return;
    // Counted for the message about a unit without a byte, which only
    // output in bytes can have.
    if (out_ == TextForm::Bytes) lines_ += LineEnds(out_buffer_.data(), out_buffer_.size());
    sink_(out_buffer_.data(), out_buffer_.size());
    out_buffer_.clear();
}

namespace {

std::runtime_error InputError(const char* what, const std::string& name, int err)
{
    return std::runtime_error(std::string(what) + " " + name + ": " + std::strerror(err));
}

} // namespace

ByteInput::ByteInput(const std::string& path)
{
    if (path == "-") {
        name_ = "standard input";
        fd_ = 0;
    } else {
        name_ = "'" + path + "'";
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) throw InputError("cannot open", name_, errno);
        own_ = true;
    }
    struct stat st;
    if (::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode)) {
        off_t at = ::lseek(fd_, 0, SEEK_CUR);
        if (at >= 0) {
            seekable_ = true;
            start_ = at;
        }
    }
}

ByteInput::~ByteInput()
{
    if (own_) ::close(fd_);
}

int64_t ByteInput::Size() const
{
    struct stat st;
    if (!seekable_ || ::fstat(fd_, &st) != 0) return -1;
    return std::max<int64_t>((int64_t)st.st_size - start_, 0);
}

size_t ByteInput::Read(char* data, size_t size)
{
    if (cancel_ && cancel_->load(std::memory_order_relaxed)) throw ChuyenMaCancelled();
    if (!peeked_.empty()) {
        size_t n = std::min(size, peeked_.size());
        std::memcpy(data, peeked_.data(), n);
        peeked_.erase(0, n);
        return n;
    }
    for (;;) {
        ssize_t n = ::read(fd_, data, size);
        if (n >= 0) return (size_t)n;
        if (errno != EINTR) throw InputError("cannot read", name_, errno);
    }
}

std::string ByteInput::Peek(size_t size)
{
    if (seekable_) {
        std::string r(size, '\0');
        size_t got = 0;
        while (got < size) {
            ssize_t n = ::pread(fd_, r.data() + got, size - got, (off_t)(start_ + (int64_t)got));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) throw InputError("cannot read", name_, errno);
            if (n == 0) break;
            got += (size_t)n;
        }
        r.resize(got);
        return r;
    }
    while (peeked_.size() < size) {
        char buf[4096];
        ssize_t n = ::read(fd_, buf, std::min(sizeof buf, size - peeked_.size()));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw InputError("cannot read", name_, errno);
        if (n == 0) break;
        peeked_.append(buf, (size_t)n);
    }
    return peeked_.substr(0, size);
}

void ByteInput::Spool()
{
    // Unnamed: nothing is left behind, whatever ends the program.
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = tmp && *tmp ? tmp : "/tmp";
    int fd = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        std::string name = dir + "/lirano-XXXXXX";
        fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd >= 0) ::unlink(name.c_str());
    }
    if (fd < 0) throw InputError("cannot keep a copy of", name_, errno);
    std::vector<char> buf(kBlock);
    try {
        for (;;) {
            size_t n = Read(buf.data(), buf.size());
            if (n == 0) break;
            for (size_t done = 0; done < n;) {
                ssize_t w = ::write(fd, buf.data() + done, n - done);
                if (w < 0 && errno == EINTR) continue;
                if (w <= 0) throw InputError("cannot keep a copy of", name_, w < 0 ? errno : EIO);
                done += (size_t)w;
            }
        }
    } catch (...) {
        // A failed read or a cancel: the copy goes with its descriptor.
        ::close(fd);
        throw;
    }
    if (own_) ::close(fd_);
    fd_ = fd;
    own_ = true;
    seekable_ = true;
    start_ = 0;
}

void ByteInput::Rewind()
{
    if (!seekable_) Spool();
    if (::lseek(fd_, (off_t)start_, SEEK_SET) < 0) throw InputError("cannot read", name_, errno);
}

bool ByteInput::IsUtf8(uint64_t* badAt)
{
    Rewind();
    std::vector<char> buf(kBlock + 4);
    size_t held = 0;
    uint64_t base = 0; // input bytes before buf
    bool first = true, ok = true;
    for (;;) {
        size_t n = Read(buf.data() + held, kBlock);
        bool end = n == 0;
        n += held;
        const unsigned char* p = reinterpret_cast<const unsigned char*>(buf.data());
        size_t i = 0;
        if (first && (n >= 3 || end)) {
            if (n >= 3 && std::memcmp(p, kBom, 3) == 0) i = 3;
            first = false;
        } else if (first) {
            held = n;
            continue;
        }
        while (i < n) {
            if (p[i] < 0x80) {
                ++i;
                continue;
            }
            uint32_t c;
            size_t len = VanBanUtils::Utf8Sequence(p + i, n - i, c);
            if (len == 0) {
                if (!end && i + Utf8Needs(p[i]) > n) break;
                ok = false;
                if (badAt) *badAt = base + i;
                break;
            }
            i += len;
        }
        if (!ok || end) break;
        base += i;
        held = n - i;
        std::memmove(buf.data(), buf.data() + i, held);
    }
    Rewind();
    return ok;
}

std::wstring ByteInput::Sample(TextForm form, size_t size)
{
    Rewind();
    std::string bytes = Peek(size + 1);
    Rewind();
    bool more = bytes.size() > size;
    if (more) bytes.resize(size);
    std::wstring text;
    if (form == TextForm::Bytes) {
        text = VanBanUtils::FromBytes(bytes);
    } else {
        size_t skip = VanBanUtils::HasBom(bytes) ? 3 : 0;
        size_t bad = 0;
        if (!VanBanUtils::DecodeUtf8(bytes.data() + skip, bytes.size() - skip, text, &bad)) {
            // A character cut at the end of the sample is not an error.
            bad += skip;
            if (!more || bad + Utf8Needs((unsigned char)bytes[bad]) <= bytes.size())
                throw ChuyenMaStreamError(ChuyenMaStreamError::BadUtf8, bad, 0, 0);
            VanBanUtils::DecodeUtf8(bytes.data() + skip, bad - skip, text);
        }
    }
    // A word cut at the end would count as a misspelling.
    if (more) {
        size_t end = text.rfind(L'\n');
        if (end != std::wstring::npos) text.resize(end + 1);
    }
    return text;
}

void ByteInput::ConvertAll(ChuyenMaStream& stream, const std::function<void(uint64_t done)>& progress)
{
    if (seekable_) Rewind();
    std::vector<char> buf(kBlock);
    uint64_t done = 0;
    for (;;) {
        size_t n = Read(buf.data(), buf.size());
        if (n == 0) break;
        stream.Write(buf.data(), n);
        done += n;
        if (progress) progress(done);
    }
    stream.Finish();
}
