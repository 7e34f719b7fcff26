// The Python module: the library's conversions on str, one at a time or a
// batch in one call, on files (paths or binary file objects) and as the
// codec "iscii-devanagari", registered with codecs on import. Conversions
// of large inputs and batches run without the GIL, so threads convert in
// parallel.
//
// The module's functions are plain CPython functions (METH_FASTCALL), not
// pybind11's: a call on one word costs a few hundred nanoseconds less
// through them, and a function bound to the module pickles by its name, so
// that worker processes (multiprocessing, Dask) can be handed it. Their
// arguments are read in one place, from one table of keywords.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "lipisetu.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace py = pybind11;

namespace {

// Past this many bytes (or characters) a conversion lets other threads run.
constexpr std::size_t gilfree = std::size_t{1} << 16;

const char* const encodingname = "iscii-devanagari";

// A str from converted UTF-8, surrogates as they were; bytes no str can
// hold (never from well-formed input) become U+FFFD rather than an error.
// Null with the error set only when there is no memory.
//
// What the converters make of a str is well-formed UTF-8 but for lone
// surrogates in their three-byte form. A short text is decoded by the
// library in one pass into code points on the stack, with the widest of
// them (bytes that are not UTF-8 as U+FFFD), and then
// copied into a str of that kind, made once; Python's decoder makes an
// ASCII str first and widens it (and makes it again) at the first
// character past ASCII, which costs a word more than its decoding. A long
// text, and any other bytes, go to Python's decoder, which takes ASCII
// eight bytes at a time.
constexpr std::size_t shortresult = 1024; // bytes

template <class T> void narrow(const Py_UCS4* chars, std::size_t n, void* o)
{
    std::copy(chars, chars + n, static_cast<T*>(o));
}

PyObject* newstr(const char* s, std::size_t n)
{
    if (n <= shortresult) {
        Py_UCS4 chars[shortresult];
        Py_UCS4 widest = 0;
        std::size_t count = lipisetu::decodeutf8(std::string_view(s, n), chars, widest);
        PyObject* u = PyUnicode_New(static_cast<Py_ssize_t>(count), widest);
        if (!u)
            return nullptr;
        switch (PyUnicode_KIND(u)) {
        case PyUnicode_1BYTE_KIND:
            narrow<Py_UCS1>(chars, count, PyUnicode_DATA(u));
            break;
        case PyUnicode_2BYTE_KIND:
            narrow<Py_UCS2>(chars, count, PyUnicode_DATA(u));
            break;
        default:
            narrow<Py_UCS4>(chars, count, PyUnicode_DATA(u));
        }
        return u;
    }
    PyObject* u = PyUnicode_DecodeUTF8(s, static_cast<Py_ssize_t>(n), "surrogatepass");
    if (!u && PyErr_ExceptionMatches(PyExc_UnicodeDecodeError)) {
        PyErr_Clear();
        u = PyUnicode_DecodeUTF8(s, static_cast<Py_ssize_t>(n), "replace");
    }
    return u;
}

py::str strof(const std::string& s)
{
    PyObject* u = newstr(s.data(), s.size());
    if (!u)
        throw py::error_already_set();
    return py::reinterpret_steal<py::str>(u);
}

// A str as a source of UTF-8, encoded a block at a time straight from its
// code points (lone surrogates in their three-byte form, as
// "surrogatepass" writes them), so that no copy of a large text is made
// beside it. A character that does not fit the room left waits for the
// next read.
struct strsource {
    const void* data;
    int kind; // bytes a code point: 1, 2 or 4
    std::size_t len, pos = 0;
};

strsource sourceofstr(PyObject* t)
{
    return {PyUnicode_DATA(t), static_cast<int>(PyUnicode_KIND(t)), static_cast<std::size_t>(PyUnicode_GET_LENGTH(t))};
}

// Encodes the str's code points from s.pos on into buf while there is
// room for them, four bytes a code point at most.
template <class T> std::ptrdiff_t readunits(strsource& s, unsigned char* buf, std::size_t size)
{
    const T* p = static_cast<const T*>(s.data);
    char* o = reinterpret_cast<char*>(buf);
    std::size_t room = size;
    while (s.pos < s.len && room >= 4) {
        std::size_t k = std::min(s.len - s.pos, room / 4);
        std::size_t n = lipisetu::encodeutf8(p + s.pos, k, o);
        s.pos += k;
        o += n;
        room -= n;
    }
    if (room == size && s.pos < s.len) {
        errno = EINVAL; // never: the library asks for whole buffers
        return -1;
    }
    return static_cast<std::ptrdiff_t>(size - room);
}

std::ptrdiff_t readstr(void* context, unsigned char* buf, std::size_t size)
{
    auto& s = *static_cast<strsource*>(context);
    switch (s.kind) {
    case PyUnicode_1BYTE_KIND:
        return readunits<Py_UCS1>(s, buf, size);
    case PyUnicode_2BYTE_KIND:
        return readunits<Py_UCS2>(s, buf, size);
    default:
        return readunits<Py_UCS4>(s, buf, size);
    }
}

std::ptrdiff_t writestring(void* context, const unsigned char* buf, std::size_t size)
{
    static_cast<std::string*>(context)->append(reinterpret_cast<const char*>(buf), size);
    return static_cast<std::ptrdiff_t>(size);
}

// Room for the UTF-8 of a str: in place for a word, else in a string.
struct utf8room {
    unsigned char word[256];
    std::string more;
};

// The UTF-8 of a str, as strsource reads it: the str's own bytes when it
// is ASCII, else encoded into `room` in one pass, without the check of
// the room left that strsource's reads make for each character (it has
// four bytes a character). Reads nothing but the str's characters, so it
// runs without the GIL while the str is held.
std::string_view utf8of(const strsource& text, bool ascii, utf8room& room)
{
    if (ascii)
        return {static_cast<const char*>(text.data), text.len};
    char* buf = reinterpret_cast<char*>(room.word);
    if (4 * text.len > sizeof room.word) {
        room.more.resize(4 * text.len);
        buf = room.more.data();
    }
    std::size_t n;
    if (text.kind == PyUnicode_1BYTE_KIND)
        n = lipisetu::encodeutf8(static_cast<const Py_UCS1*>(text.data), text.len, buf);
    else if (text.kind == PyUnicode_2BYTE_KIND)
        n = lipisetu::encodeutf8(static_cast<const Py_UCS2*>(text.data), text.len, buf);
    else
        n = lipisetu::encodeutf8(static_cast<const Py_UCS4*>(text.data), text.len, buf);
    return {buf, n};
}

bool formnamed(PyObject* name, lipisetu::form& f)
{
    Py_ssize_t n = 0;
    const char* text = PyUnicode_Check(name) ? PyUnicode_AsUTF8AndSize(name, &n) : nullptr;
    if (!text)
        PyErr_Clear();
    if (text && lipisetu::formnamed(std::string_view(text, static_cast<std::size_t>(n)), f))
        return true;
    PyErr_Format(PyExc_ValueError, "form must be 'detect', 'utf-8', 'utf-16le' or 'utf-16be', not %R", name);
    return false;
}

// The romanisation named by a scheme= argument.
bool schemenamed(PyObject* name, lipisetu::scheme& s)
{
    Py_ssize_t n = 0;
    const char* text = PyUnicode_Check(name) ? PyUnicode_AsUTF8AndSize(name, &n) : nullptr;
    if (!text)
        PyErr_Clear();
    if (text && lipisetu::schemenamed(std::string_view(text, static_cast<std::size_t>(n)), s))
        return true;
    PyErr_Format(PyExc_ValueError,
                 "scheme must be 'iso', 'iast', 'hk', 'itrans', 'slp1', 'velthuis' or 'wx', not %R", name);
    return false;
}

// ---------------------------------------------------------------- files

// A file named by a path, or a binary file object read and written in
// blocks through its methods (the GIL taken for each call). The first
// exception a method raises ends the conversion and is raised again after
// it.
struct pyfile {
    std::FILE* f = nullptr;
    py::object readinto, read, write, flush;
    std::optional<py::error_already_set> failure;
    ~pyfile()
    {
        if (f)
            std::fclose(f);
    }
};

bool ispath(py::handle h) { return py::isinstance<py::str>(h) || py::isinstance<py::bytes>(h) || py::hasattr(h, "__fspath__"); }

void openpath(pyfile& file, py::handle path, const char* mode)
{
    py::bytes name = py::module_::import("os").attr("fsencode")(path);
    file.f = std::fopen(PyBytes_AS_STRING(name.ptr()), mode);
    if (!file.f) {
        PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, path.ptr());
        throw py::error_already_set();
    }
}

std::ptrdiff_t failed(pyfile& file, py::error_already_set& e)
{
    if (!file.failure)
        file.failure.emplace(std::move(e));
    errno = EIO;
    return -1;
}

std::ptrdiff_t readobject(void* context, unsigned char* buf, std::size_t size)
{
    auto& file = *static_cast<pyfile*>(context);
    py::gil_scoped_acquire gil;
    try {
        if (file.readinto) {
            auto view = py::memoryview::from_memory(buf, static_cast<py::ssize_t>(size));
            py::object n = file.readinto(view);
            view.attr("release")();
            if (n.is_none()) {
                errno = EAGAIN;
                return -1;
            }
            return std::min<std::ptrdiff_t>(n.cast<std::ptrdiff_t>(), static_cast<std::ptrdiff_t>(size));
        }
        py::object data = file.read(size);
        Py_buffer view;
        if (PyObject_GetBuffer(data.ptr(), &view, PyBUF_SIMPLE) != 0)
            throw py::error_already_set();
        std::size_t n = std::min(static_cast<std::size_t>(view.len), size);
        std::memcpy(buf, view.buf, n);
        PyBuffer_Release(&view);
        return static_cast<std::ptrdiff_t>(n);
    } catch (py::error_already_set& e) {
        return failed(file, e);
    }
}

std::ptrdiff_t writeobject(void* context, const unsigned char* buf, std::size_t size)
{
    auto& file = *static_cast<pyfile*>(context);
    py::gil_scoped_acquire gil;
    try {
        if (size == 0) {
            if (file.flush)
                file.flush();
            return 0;
        }
        auto view = py::memoryview::from_memory(buf, static_cast<py::ssize_t>(size));
        py::object n = file.write(view);
        view.attr("release")();
        // A write that tells nothing took everything.
        return n.is_none() ? static_cast<std::ptrdiff_t>(size) : n.cast<std::ptrdiff_t>();
    } catch (py::error_already_set& e) {
        return failed(file, e);
    }
}

lipisetu::source sourceof(pyfile& file, py::handle src)
{
    if (ispath(src)) {
        openpath(file, src, "rb");
        return lipisetu::filesource(file.f);
    }
    if (py::hasattr(src, "readinto"))
        file.readinto = src.attr("readinto");
    else if (py::hasattr(src, "read"))
        file.read = src.attr("read");
    else
        throw py::type_error("source must be a path or a binary file object with read or readinto");
    return {readobject, &file};
}

lipisetu::sink sinkof(pyfile& file, py::handle dst)
{
    if (ispath(dst)) {
        openpath(file, dst, "wb");
        return lipisetu::filesink(file.f);
    }
    if (!py::hasattr(dst, "write"))
        throw py::type_error("target must be a path or a binary file object with write");
    file.write = dst.attr("write");
    if (py::hasattr(dst, "flush"))
        file.flush = dst.attr("flush");
    return {writeobject, &file};
}

// Runs a streaming conversion without the GIL, then raises what went
// wrong: the file object's own exception, or OSError.
template <class F> void convertfiles(py::handle src, py::handle dst, F convert)
{
    pyfile in, out;
    lipisetu::source s = sourceof(in, src);
    lipisetu::sink t = sinkof(out, dst);
    lipisetu::status st;
    {
        py::gil_scoped_release free;
        st = convert(s, t);
    }
    if (in.failure)
        throw std::move(*in.failure);
    if (out.failure)
        throw std::move(*out.failure);
    if (out.f && std::fclose(std::exchange(out.f, nullptr)) != 0 && !st.writeerror)
        st.writeerror = errno ? errno : EIO;
    if (st.nomemory)
        throw std::bad_alloc();
    if (st.readerror || st.writeerror) {
        errno = st.readerror ? st.readerror : st.writeerror;
        PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, (st.readerror ? src : dst).ptr());
        throw py::error_already_set();
    }
}

// ---------------------------------------------------------------- ISCII

const char* kindname(lipisetu::drop k)
{
    return k == lipisetu::drop::atr ? "atr" : k == lipisetu::drop::ext ? "ext" : "ignored";
}

// Every field of a message, to compare and to pickle it.
using messagefields = std::tuple<std::uint64_t, std::uint64_t, long, int, int, int>;

messagefields fieldsof(const lipisetu::isciimessage& m)
{
    return {m.offset, m.written, m.line, m.byte, static_cast<int>(m.kind), m.span};
}

lipisetu::isciimessage messageof(const messagefields& f)
{
    const auto& [offset, written, line, byte, kind, span] = f;
    return {offset, written, line, static_cast<std::uint8_t>(byte), static_cast<lipisetu::drop>(kind),
            static_cast<std::uint8_t>(span)};
}

// The message without its line feed: the reason of a UnicodeDecodeError.
std::string reason(const lipisetu::isciimessage& m)
{
    std::string s = lipisetu::describe(m);
    if (!s.empty() && s.back() == '\n')
        s.pop_back();
    return s;
}

// The incremental decoder behind the codec: the library's decoder and what
// the error handling needs to place its messages.
struct decoder {
    lipisetu::isciidecoder d;
    std::string errors;
    std::uint64_t fed = 0;     // bytes given to the library's decoder since its start
    std::uint64_t written = 0; // UTF-8 bytes it gave back
    decoder() : d(lipisetu::newisciidecoder())
    {
        if (!d)
            throw std::bad_alloc();
    }
};

void restart(decoder& dec, long line)
{
    lipisetu::reset(*dec.d, line);
    dec.fed = dec.written = 0;
}

py::object unicodedecodeerror(py::bytes object, std::size_t start, std::size_t end, const std::string& why)
{
    return py::reinterpret_borrow<py::object>(PyExc_UnicodeDecodeError)(encodingname, object, start, end, why);
}

// The UTF-8 of a handler's replacement, lone surrogates included as
// three-byte sequences, as the text around it holds them.
std::string utf8ofreplacement(py::handle rep)
{
    if (!PyUnicode_Check(rep.ptr()))
        throw py::type_error("decoding error handler must return (str, int) tuple");
    auto b = py::reinterpret_steal<py::object>(PyUnicode_AsEncodedString(rep.ptr(), "utf-8", "surrogatepass"));
    if (!b)
        throw py::error_already_set();
    return std::string(PyBytes_AS_STRING(b.ptr()), static_cast<std::size_t>(PyBytes_GET_SIZE(b.ptr())));
}

// Decodes object[from:], the decoder holding what comes before it, and
// appends the text as UTF-8 to `out`, each message dealt with by the error
// handler ("strict" raises at the first, "ignore" and "replace" are done
// here, any other is looked up and called). The object is what the handler
// sees: the bytes kept back from the last piece and this piece. A handler
// that resumes elsewhere than after the dropped bytes restarts the decoder
// there, as a codec resumes at the position its handler returns.
//
// The text is decoded straight into `out`, in rounds: the whole rest at
// first, and after a restart a few bytes, twice as many each round that
// runs to its end. What a round decodes past a restart is decoded again, so
// this keeps that waste to about the bytes decoded since the last restart,
// and a handler that resumes at every message costs time in proportion to
// the input, not to its square.
void decodeobject(decoder& dec, std::string_view object, std::size_t from, bool final, std::string& out)
{
    constexpr std::size_t fewest = 256; // the first round after a restart
    std::size_t most = object.size();   // bytes a round decodes
    py::object handler, bytes;          // looked up, and made, at the first need
    std::string text;                   // a round's text, when it has messages
    std::vector<lipisetu::isciimessage> msgs;
    for (;;) {
        std::string_view piece = object.substr(from, most);
        bool last = from + piece.size() == object.size();
        // A message's place in the object is its offset less this.
        auto base = static_cast<std::int64_t>(dec.fed) - static_cast<std::int64_t>(from);
        std::uint64_t outbase = dec.written;
        std::size_t had = out.size();
        msgs.clear();
        if (piece.size() < gilfree) {
            lipisetu::decode(*dec.d, piece, final && last, out, msgs);
        } else {
            py::gil_scoped_release free;
            lipisetu::decode(*dec.d, piece, final && last, out, msgs);
        }
        dec.fed += piece.size();
        dec.written += out.size() - had;
        from += piece.size();
        if (most < object.size())
            most *= 2;
        if (msgs.empty() || dec.errors == "ignore") {
            if (last)
                return;
            continue;
        }
        // The round's text is put back piece by piece, the messages'
        // replacements between.
        if (had == 0)
            text.swap(out);
        else
            text.assign(out, had, std::string::npos);
        out.resize(had);
        out.reserve(had + text.size() + 3 * msgs.size()); // room for "replace"
        if (!handler && dec.errors != "strict" && dec.errors != "replace")
            handler = py::module_::import("codecs").attr("lookup_error")(dec.errors);
        std::size_t copied = 0; // of text
        bool restarted = false;
        for (const lipisetu::isciimessage& m : msgs) {
            auto start = static_cast<std::size_t>(static_cast<std::int64_t>(m.offset) - base);
            std::size_t end = start + m.span;
            auto at = static_cast<std::size_t>(m.written - outbase);
            out.append(text, copied, at - copied);
            copied = at;
            if (dec.errors == "replace") {
                out += "\xEF\xBF\xBD";
                continue;
            }
            if (!bytes)
                bytes = py::bytes(object.data(), object.size());
            py::object error = unicodedecodeerror(bytes, start, end, reason(m));
            if (dec.errors == "strict") {
                PyErr_SetObject(PyExc_UnicodeDecodeError, error.ptr());
                throw py::error_already_set();
            }
            py::tuple result = handler(error);
            if (result.size() != 2)
                throw py::type_error("decoding error handler must return (str, int) tuple");
            out += utf8ofreplacement(result[0]);
            auto resume = result[1].cast<py::ssize_t>();
            if (resume < 0)
                resume += static_cast<py::ssize_t>(object.size());
            if (resume < 0 || static_cast<std::size_t>(resume) > object.size())
                throw py::index_error("position " + std::to_string(resume) + " from error handler out of bounds");
            auto r = static_cast<std::size_t>(resume);
            if (r == end)
                continue;
            // Lines are counted again from the message's own.
            long line = m.line;
            for (std::size_t i = std::min(start, r); i < std::max(start, r); ++i)
                if (object[i] == '\n')
                    line += r > start ? 1 : -1;
            restart(dec, line);
            from = r;
            most = fewest;
            restarted = true;
            break;
        }
        if (restarted)
            continue;
        out.append(text, copied, std::string::npos);
        if (last)
            return;
    }
}

py::str decodebytes(decoder& dec, py::handle input, bool final)
{
    Py_buffer view;
    if (PyObject_GetBuffer(input.ptr(), &view, PyBUF_SIMPLE) != 0)
        throw py::error_already_set();
    std::string out;
    try {
        std::string_view piece(static_cast<const char*>(view.buf), static_cast<std::size_t>(view.len));
        std::string_view kept = lipisetu::pending(*dec.d);
        if (kept.empty()) {
            decodeobject(dec, piece, 0, final, out);
        } else {
            std::string object(kept);
            object += piece;
            decodeobject(dec, object, kept.size(), final, out);
        }
    } catch (...) {
        PyBuffer_Release(&view);
        throw;
    }
    PyBuffer_Release(&view);
    return strof(out);
}

// The codec's encoder, which has nothing to keep.
struct encoder {};

// The codec's search function: the one name, however it is spelled.
py::object search(const std::string& name, py::object info)
{
    std::string n;
    for (char c : name)
        n += c == '_' || c == ' ' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return n == encodingname ? info : py::none();
}

// ---------------------------------------------------------------- arguments

// Runs `f`, which gives a new reference, and turns a C++ exception into the
// Python error it stands for: then null, with the error set.
template <class F> PyObject* guarded(F f) noexcept
{
    try {
        return f();
    } catch (py::error_already_set& e) {
        e.restore();
    } catch (const py::builtin_exception& e) {
        e.set_error();
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (const std::exception& e) {
        PyErr_SetString(PyExc_RuntimeError, e.what());
    }
    return nullptr;
}

// What a call asks for besides its positional arguments: kavrel's options
// (the scheme serves sonwick's conversions too), and for iscii_file the
// function called with each message.
struct options {
    lipisetu::romanoptions roman;
    PyObject* onmessage = Py_None; // borrowed from the call
};

// The keyword-only arguments, each taken by the functions whose signature
// has its bit.
enum : unsigned {
    sanskritarg = 1,
    numeralsarg = 2,
    formsarg = 4, // input and output
    onmessagearg = 8,
    schemearg = 16,
    romanargs = sanskritarg | numeralsarg | schemearg,
};

bool readflag(PyObject* value, bool& flag)
{
    int t = PyObject_IsTrue(value);
    flag = t > 0;
    return t >= 0;
}

struct keyword {
    const char* name;
    unsigned bit;
    bool (*read)(PyObject* value, options& o); // false with the error set
};

const keyword keywords[] = {
        {"sanskrit", sanskritarg, [](PyObject* v, options& o) { return readflag(v, o.roman.sanskrit); }},
        {"numerals", numeralsarg, [](PyObject* v, options& o) { return readflag(v, o.roman.numerals); }},
        {"input", formsarg, [](PyObject* v, options& o) { return formnamed(v, o.roman.input); }},
        {"output", formsarg, [](PyObject* v, options& o) { return formnamed(v, o.roman.output); }},
        {"on_message", onmessagearg, [](PyObject* v, options& o) { o.onmessage = v; return true; }},
        {"scheme", schemearg, [](PyObject* v, options& o) { return schemenamed(v, o.roman.scheme); }},
};

// A function's parameters: those that come by position or by name, then
// the keywords it takes.
struct signature {
    const char* name;
    const char* positional[2];
    int count; // of positional ones
    unsigned keywords;
};
constexpr int mostpositional = 2;

// Reads a call's arguments (METH_FASTCALL | METH_KEYWORDS) as Python reads
// them for the signature: the positional ones into `pos` (borrowed), the
// keywords into `o`. False with the error set.
bool readargs(const signature& sig, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames, PyObject** pos,
              options& o)
{
    if (nargs > sig.count) {
        PyErr_Format(PyExc_TypeError, "%s() takes %d positional argument%s but %zd were given", sig.name, sig.count,
                     sig.count == 1 ? "" : "s", nargs);
        return false;
    }
    for (int i = 0; i < sig.count; ++i)
        pos[i] = i < nargs ? args[i] : nullptr;
    Py_ssize_t nkw = kwnames ? PyTuple_GET_SIZE(kwnames) : 0;
    for (Py_ssize_t k = 0; k < nkw; ++k) {
        PyObject* name = PyTuple_GET_ITEM(kwnames, k);
        auto named = [name](const char* n) { return PyUnicode_CompareWithASCIIString(name, n) == 0; };
        const char* const* p = std::find_if(sig.positional, sig.positional + sig.count, named);
        if (p != sig.positional + sig.count) {
            PyObject*& slot = pos[p - sig.positional];
            if (slot) {
                PyErr_Format(PyExc_TypeError, "%s() got multiple values for argument '%s'", sig.name, *p);
                return false;
            }
            slot = args[nargs + k];
            continue;
        }
        const keyword* kw = std::find_if(std::begin(keywords), std::end(keywords),
                                         [&](const keyword& w) { return (sig.keywords & w.bit) && named(w.name); });
        if (kw == std::end(keywords)) {
            PyErr_Format(PyExc_TypeError, "%s() got an unexpected keyword argument '%U'", sig.name, name);
            return false;
        }
        if (!kw->read(args[nargs + k], o))
            return false;
    }
    for (int i = 0; i < sig.count; ++i)
        if (!pos[i]) {
            PyErr_Format(PyExc_TypeError, "%s() missing required argument '%s' (pos %d)", sig.name, sig.positional[i],
                         i + 1);
            return false;
        }
    return true;
}

// ---------------------------------------------------------------- text

// The two conversions of text.
enum class direction { todevanagari, toroman };

// The one-shot conversion of UTF-8, appended to `out`.
void convertutf8(direction d, const options& o, std::string_view in, std::string& out)
{
    if (d == direction::todevanagari)
        lipisetu::todevanagari(in, out, o.roman);
    else
        lipisetu::toroman(in, out, o.roman.scheme);
}

lipisetu::status convertstream(direction d, const options& o, lipisetu::source in, lipisetu::sink out)
{
    return d == direction::todevanagari ? lipisetu::convertroman(in, out, o.roman)
                                        : lipisetu::convertdevanagari(in, out, o.roman.scheme);
}

// A str's characters, read without the GIL while the str is held.
struct strref {
    strsource chars;
    bool ascii;
};

// The characters of `text`; false with a TypeError when it is no str.
bool charsof(PyObject* text, strref& r)
{
    if (!PyUnicode_Check(text)) {
        PyErr_Format(PyExc_TypeError, "expected str, got %s", Py_TYPE(text)->tp_name);
        return false;
    }
    if (PyUnicode_READY(text) != 0)
        return false;
    r = {sourceofstr(text), PyUnicode_IS_ASCII(text) != 0};
    return true;
}

// Converts a str, appending the UTF-8 result to `out`: ASCII or a short
// one at once, from its UTF-8 (its own bytes, or made in `room`); a long
// one in blocks straight from its characters, so that no copy of it is
// made.
void convertchars(direction d, const options& o, const strref& text, utf8room& room, std::string& out)
{
    if (text.ascii || text.chars.len < gilfree) {
        convertutf8(d, o, utf8of(text.chars, text.ascii, room), out);
        return;
    }
    strsource in = text.chars;
    if (convertstream(d, o, {readstr, &in}, {writestring, &out}).nomemory)
        throw std::bad_alloc();
}

// One str converted: a short one through this thread's buffers, a long one
// without the GIL.
PyObject* convertone(direction d, const options& o, PyObject* text)
{
    strref t;
    if (!charsof(text, t))
        return nullptr;
    utf8room room;
    if (t.chars.len < gilfree) {
        thread_local std::string out;
        out.clear();
        convertchars(d, o, t, room, out);
        return newstr(out.data(), out.size());
    }
    std::string out;
    out.reserve(t.chars.len * 2 + 16);
    {
        py::gil_scoped_release free;
        convertchars(d, o, t, room, out);
    }
    return newstr(out.data(), out.size());
}

// ---------------------------------------------------------------- ISCII text

// This thread's ISCII decoder, for the one-shot decoding of the functions.
lipisetu::isciistate& threaddecoder()
{
    thread_local lipisetu::isciidecoder d;
    if (!d)
        d = lipisetu::newisciidecoder();
    if (!d)
        throw std::bad_alloc();
    return *d;
}

// ISCII decoded as from_iscii decodes it, the text and messages appended.
void decodeiscii(std::string_view in, std::string& text, std::vector<lipisetu::isciimessage>& messages)
{
    lipisetu::isciistate& d = threaddecoder();
    lipisetu::reset(d);
    lipisetu::decode(d, in, true, text, messages);
}

// from_iscii's result: the text and the list of messages.
PyObject* isciiresult(std::string_view text, const lipisetu::isciimessage* m, std::size_t count)
{
    py::list list(count);
    for (std::size_t i = 0; i < count; ++i)
        PyList_SET_ITEM(list.ptr(), static_cast<Py_ssize_t>(i), py::cast(m[i]).release().ptr());
    PyObject* str = newstr(text.data(), text.size());
    if (!str)
        return nullptr;
    return PyTuple_Pack(2, py::reinterpret_steal<py::object>(str).ptr(), list.ptr());
}

// A bytes-like object's bytes, held while this lives (and the object is
// held): a bytes object's own, else through the buffer protocol.
struct bytesref {
    Py_buffer view{};
    bool viewed = false;
    std::string_view data;
    bytesref() = default;
    bytesref(const bytesref&) = delete;
    bytesref& operator=(const bytesref&) = delete;
    ~bytesref()
    {
        if (viewed)
            PyBuffer_Release(&view);
    }
};

bool bytesof(PyObject* obj, bytesref& r)
{
    if (PyBytes_Check(obj)) {
        r.data = {PyBytes_AS_STRING(obj), static_cast<std::size_t>(PyBytes_GET_SIZE(obj))};
        return true;
    }
    if (PyObject_GetBuffer(obj, &r.view, PyBUF_SIMPLE) != 0)
        return false;
    r.viewed = true;
    r.data = {static_cast<const char*>(r.view.buf), static_cast<std::size_t>(r.view.len)};
    return true;
}

PyObject* decodeone(PyObject* data)
{
    bytesref b;
    if (!bytesof(data, b))
        return nullptr;
    if (b.data.size() < gilfree) {
        thread_local std::string text;
        thread_local std::vector<lipisetu::isciimessage> messages;
        text.clear();
        messages.clear();
        decodeiscii(b.data, text, messages);
        return isciiresult(text, messages.data(), messages.size());
    }
    std::string text;
    std::vector<lipisetu::isciimessage> messages;
    {
        py::gil_scoped_release free;
        decodeiscii(b.data, text, messages);
    }
    return isciiresult(text, messages.data(), messages.size());
}

// ---------------------------------------------------------------- batches

// A part of a batch, converted without the GIL: its items' results one
// after another in one string, and where each ends; for ISCII also their
// messages, and where each item's end.
struct part {
    std::size_t from = 0, to = 0; // the items
    std::string text;
    std::vector<std::size_t> ends;
    std::vector<lipisetu::isciimessage> messages;
    std::vector<std::size_t> messageends;
    bool failed = false; // out of memory
};

// Converts a batch without the GIL, in two parts of about equal input when
// it is large enough to pay for a thread of its own for the second;
// `before[i]` is the input size of the items before item i, and
// `convert(p)` converts a part's items. Throws bad_alloc when a part ran
// out of memory.
template <class F> void runparts(const std::vector<std::size_t>& before, part (&parts)[2], F convert)
{
    constexpr std::size_t twothreads = std::size_t{1} << 17; // bytes or characters
    std::size_t n = before.size() - 1, total = before.back();
    std::size_t split = n;
    if (total >= twothreads && n > 1 && std::thread::hardware_concurrency() > 1)
        split = static_cast<std::size_t>(std::lower_bound(before.begin(), before.end(), total / 2) - before.begin());
    parts[0].to = parts[1].from = split;
    parts[1].to = n;
    auto run = [&convert](part& p) noexcept {
        try {
            p.ends.reserve(p.to - p.from);
            convert(p);
        } catch (...) {
            p.failed = true;
        }
    };
    {
        py::gil_scoped_release free;
        std::thread other;
        if (split < n) {
            try {
                other = std::thread([&] { run(parts[1]); });
            } catch (const std::system_error&) {
                // No thread to be had: this one converts both parts.
            }
        }
        run(parts[0]);
        if (other.joinable())
            other.join();
        else
            run(parts[1]);
    }
    if (parts[0].failed || parts[1].failed)
        throw std::bad_alloc();
}

// The items of any iterable, held in a tuple, so that nothing can change
// or free them while the GIL is free.
py::tuple itemsof(PyObject* iterable)
{
    PyObject* t = PySequence_Tuple(iterable);
    if (!t)
        throw py::error_already_set();
    return py::reinterpret_steal<py::tuple>(t);
}

PyObject* convertbatch(direction d, const options& o, PyObject* iterable, const char* name)
{
    py::tuple items = itemsof(iterable);
    auto n = static_cast<std::size_t>(PyTuple_GET_SIZE(items.ptr()));
    std::vector<strref> texts(n);
    std::vector<std::size_t> before(n + 1);
    for (std::size_t i = 0; i < n; ++i) {
        PyObject* t = PyTuple_GET_ITEM(items.ptr(), static_cast<Py_ssize_t>(i));
        if (!PyUnicode_Check(t)) {
            PyErr_Format(PyExc_TypeError, "%s() takes str items, item %zu is %s", name, i, Py_TYPE(t)->tp_name);
            return nullptr;
        }
        if (!charsof(t, texts[i]))
            return nullptr;
        before[i + 1] = before[i] + texts[i].chars.len;
    }
    part parts[2];
    runparts(before, parts, [&](part& p) {
        utf8room room;
        for (std::size_t i = p.from; i < p.to; ++i) {
            convertchars(d, o, texts[i], room, p.text);
            p.ends.push_back(p.text.size());
        }
    });
    py::list list(n);
    for (const part& p : parts)
        for (std::size_t i = p.from, at = 0; i < p.to; ++i) {
            std::size_t end = p.ends[i - p.from];
            PyObject* str = newstr(p.text.data() + at, end - at);
            if (!str)
                return nullptr;
            PyList_SET_ITEM(list.ptr(), static_cast<Py_ssize_t>(i), str);
            at = end;
        }
    return list.release().ptr();
}

PyObject* decodebatch(PyObject* iterable)
{
    py::tuple items = itemsof(iterable);
    auto n = static_cast<std::size_t>(PyTuple_GET_SIZE(items.ptr()));
    std::unique_ptr<bytesref[]> data(new bytesref[n]);
    std::vector<std::size_t> before(n + 1);
    for (std::size_t i = 0; i < n; ++i) {
        if (!bytesof(PyTuple_GET_ITEM(items.ptr(), static_cast<Py_ssize_t>(i)), data[i]))
            return nullptr;
        before[i + 1] = before[i] + data[i].data.size();
    }
    part parts[2];
    runparts(before, parts, [&](part& p) {
        p.messageends.reserve(p.to - p.from);
        for (std::size_t i = p.from; i < p.to; ++i) {
            decodeiscii(data[i].data, p.text, p.messages);
            p.ends.push_back(p.text.size());
            p.messageends.push_back(p.messages.size());
        }
    });
    py::list list(n);
    for (const part& p : parts)
        for (std::size_t i = p.from, at = 0, m = 0; i < p.to; ++i) {
            std::size_t end = p.ends[i - p.from], mend = p.messageends[i - p.from];
            PyObject* r = isciiresult(std::string_view(p.text).substr(at, end - at), p.messages.data() + m, mend - m);
            if (!r)
                return nullptr;
            PyList_SET_ITEM(list.ptr(), static_cast<Py_ssize_t>(i), r);
            at = end;
            m = mend;
        }
    return list.release().ptr();
}

// ---------------------------------------------------------------- functions

// The module's functions: each reads its arguments by its signature, then
// runs its body.
using body = PyObject* (*)(PyObject* const* args, const options& o);

template <const signature& sig, body run>
PyObject* function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames)
{
    PyObject* pos[mostpositional];
    options o;
    if (!readargs(sig, args, nargs, kwnames, pos, o))
        return nullptr;
    return guarded([&] { return run(pos, o); });
}

constexpr signature todevanagarisig{"to_devanagari", {"text"}, 1, romanargs};
constexpr signature toromansig{"to_roman", {"text"}, 1, schemearg};
constexpr signature fromisciisig{"from_iscii", {"data"}, 1, 0};
constexpr signature todevanagaribatchsig{"to_devanagari_batch", {"texts"}, 1, romanargs};
constexpr signature toromanbatchsig{"to_roman_batch", {"texts"}, 1, schemearg};
constexpr signature fromisciibatchsig{"from_iscii_batch", {"data"}, 1, 0};
constexpr signature todevanagarifilesig{"to_devanagari_file", {"source", "target"}, 2, romanargs | formsarg};
constexpr signature toromanfilesig{"to_roman_file", {"source", "target"}, 2, schemearg};
constexpr signature isciifilesig{"iscii_file", {"source", "target"}, 2, onmessagearg};

PyObject* todevanagari(PyObject* const* a, const options& o) { return convertone(direction::todevanagari, o, a[0]); }
PyObject* toroman(PyObject* const* a, const options& o) { return convertone(direction::toroman, o, a[0]); }
PyObject* fromiscii(PyObject* const* a, const options&) { return decodeone(a[0]); }

PyObject* todevanagaribatch(PyObject* const* a, const options& o)
{
    return convertbatch(direction::todevanagari, o, a[0], todevanagaribatchsig.name);
}

PyObject* toromanbatch(PyObject* const* a, const options& o)
{
    return convertbatch(direction::toroman, o, a[0], toromanbatchsig.name);
}

PyObject* fromisciibatch(PyObject* const* a, const options&) { return decodebatch(a[0]); }

PyObject* todevanagarifile(PyObject* const* a, const options& o)
{
    convertfiles(a[0], a[1], [&](lipisetu::source s, lipisetu::sink t) {
        return convertstream(direction::todevanagari, o, s, t);
    });
    Py_RETURN_NONE;
}

PyObject* toromanfile(PyObject* const* a, const options& o)
{
    convertfiles(a[0], a[1],
                 [&](lipisetu::source s, lipisetu::sink t) { return convertstream(direction::toroman, o, s, t); });
    Py_RETURN_NONE;
}

PyObject* isciifile(PyObject* const* a, const options& o)
{
    struct reporting {
        PyObject* call;
        std::size_t count = 0;
        std::optional<py::error_already_set> failure;
    } r{o.onmessage, 0, std::nullopt};
    auto report = [](void* context, const lipisetu::isciimessage& x) {
        auto& r = *static_cast<reporting*>(context);
        ++r.count;
        if (r.call == Py_None || r.failure)
            return;
        py::gil_scoped_acquire gil;
        try {
            py::handle(r.call)(x);
        } catch (py::error_already_set& e) {
            r.failure.emplace(std::move(e));
        }
    };
    convertfiles(a[0], a[1],
                 [&](lipisetu::source s, lipisetu::sink t) { return lipisetu::convertiscii(s, t, report, &r); });
    if (r.failure)
        throw std::move(*r.failure);
    return PyLong_FromSize_t(r.count);
}

template <const signature& sig, body run> constexpr PyMethodDef method(const char* doc)
{
    return {sig.name, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(function<sig, run>)),
            METH_FASTCALL | METH_KEYWORDS, doc};
}

// Each docstring starts with the signature that help() shows.
PyMethodDef methods[] = {
        method<todevanagarisig, todevanagari>(
                "to_devanagari($module, /, text, *, sanskrit=False, numerals=False, scheme='iso')\n--\n\n"
                "Roman to Unicode Devanagari, as kavrel converts it.\n\n"
                "sanskrit: kavrel -s, a space after a consonant closed up before a letter and the\n"
                "apostrophe as the avagraha. numerals: kavrel -n, digits as Devanagari numerals.\n"
                "scheme: the romanisation read, 'iso' (ISO 15919), 'iast', 'hk', 'itrans', 'slp1',\n"
                "'velthuis' or 'wx'."),
        method<toromansig, toroman>("to_roman($module, /, text, *, scheme='iso')\n--\n\n"
                                    "Unicode Devanagari to Roman, as sonwick converts it, in the scheme."),
        method<fromisciisig, fromiscii>(
                "from_iscii($module, /, data)\n--\n\n"
                "ISCII to Unicode as pellam converts it: the text and the list of IsciiMessage\n"
                "for the bytes dropped."),
        method<todevanagaribatchsig, todevanagaribatch>(
                "to_devanagari_batch($module, /, texts, *, sanskrit=False, numerals=False, scheme='iso')\n--\n\n"
                "to_devanagari of each str of an iterable, in one call: the list of results.\n\n"
                "The conversion runs without the GIL, a large batch in two threads."),
        method<toromanbatchsig, toromanbatch>(
                "to_roman_batch($module, /, texts, *, scheme='iso')\n--\n\n"
                "to_roman of each str of an iterable, in one call: the list of results.\n\n"
                "The conversion runs without the GIL, a large batch in two threads."),
        method<fromisciibatchsig, fromisciibatch>(
                "from_iscii_batch($module, /, data)\n--\n\n"
                "from_iscii of each bytes-like object of an iterable, in one call: the list of\n"
                "(text, messages) pairs. The decoding runs without the GIL, a large batch in two\n"
                "threads."),
        method<todevanagarifilesig, todevanagarifile>(
                "to_devanagari_file($module, /, source, target, *, sanskrit=False, numerals=False, "
                "input='detect', output='detect', scheme='iso')\n--\n\n"
                "Converts a file of Roman to Devanagari, in blocks, in constant memory.\n\n"
                "source and target are paths or binary file objects. input is 'detect' (a byte-order\n"
                "mark, else UTF-8), 'utf-8', 'utf-16le' or 'utf-16be'; output is one of those too,\n"
                "'detect' meaning the input's form. Raises OSError when a read or write fails."),
        method<toromanfilesig, toromanfile>(
                "to_roman_file($module, /, source, target, *, scheme='iso')\n--\n\n"
                "Converts a UTF-8 file of Devanagari to Roman, in blocks, in constant memory."),
        method<isciifilesig, isciifile>(
                "iscii_file($module, /, source, target, *, on_message=None)\n--\n\n"
                "Converts an ISCII file to UTF-8 as pellam does, in blocks, in constant memory.\n\n"
                "on_message, if given, is called with an IsciiMessage for each byte dropped.\n"
                "Returns the number of messages."),
        {nullptr, nullptr, 0, nullptr},
};

} // namespace

PYBIND11_MODULE(lipisetu, m)
{
    m.doc() = "Devanagari conversions: ISO 15919 Roman to Unicode Devanagari and back, and ISCII to\n"
              "Unicode, with the bytes of the kavrel, sonwick and pellam programs.\n\n"
              "Importing the module registers the codec 'iscii-devanagari' (decoding only).";

    using lipisetu::isciimessage;
    py::class_<isciimessage>(m, "IsciiMessage", "A byte pellam drops, with the message it writes for it.")
        .def_readonly("byte", &isciimessage::byte, "the byte dropped")
        .def_readonly("line", &isciimessage::line, "its line, from 1")
        .def_property_readonly("kind", [](const isciimessage& x) { return kindname(x.kind); },
                               "'ignored', 'atr' or 'ext'")
        .def_readonly("offset", &isciimessage::offset, "its offset in the input")
        .def_readonly("span", &isciimessage::span, "bytes dropped: 1, or 2 for ATR or EXT and the byte after")
        .def("__str__", &reason)
        .def("__repr__",
             [](const isciimessage& x) {
                 return "IsciiMessage(byte=" + std::to_string(x.byte) + ", line=" + std::to_string(x.line) +
                        ", kind='" + kindname(x.kind) + "', offset=" + std::to_string(x.offset) +
                        ", span=" + std::to_string(x.span) + ")";
             })
        .def(
            "__eq__", [](const isciimessage& x, const isciimessage& y) { return fieldsof(x) == fieldsof(y); },
            py::is_operator())
        // Pickled as its fields, so that the results of from_iscii come
        // back from worker processes.
        .def(py::pickle(&fieldsof, &messageof));

    if (PyModule_AddFunctions(m.ptr(), methods) != 0)
        throw py::error_already_set();

    py::class_<decoder>(m, "IsciiIncrementalDecoder",
                        "The incremental decoder of the codec 'iscii-devanagari'.")
        .def(py::init([](const std::string& errors) {
                 auto d = std::make_unique<decoder>();
                 d->errors = errors;
                 return d;
             }),
             py::arg("errors") = "strict")
        .def_readwrite("errors", &decoder::errors)
        .def("decode", &decodebytes, py::arg("input"), py::arg("final") = false)
        .def("reset", [](decoder& d) { restart(d, 1); })
        // The state: the byte kept back, and the line less one (0 at the start).
        .def("getstate",
             [](const decoder& d) {
                 return py::make_tuple(py::bytes(std::string(lipisetu::pending(*d.d))), lipisetu::line(*d.d) - 1);
             })
        .def("setstate", [](decoder& d, py::tuple state) {
            restart(d, state[1].cast<long>() + 1);
            decodebytes(d, state[0], false);
        });

    // Writing text in ISCII is not offered. A text stream opened for
    // reading and writing still needs an encoder to be made, so there is
    // one, which refuses any text.
    py::class_<encoder>(m, "IsciiIncrementalEncoder", "Encoding to ISCII is not offered: encode raises ValueError.")
        .def(py::init([](const std::string&) { return encoder{}; }), py::arg("errors") = "strict")
        .def("encode",
             [](encoder&, py::handle input, bool) -> py::bytes {
                 if (py::len(input) == 0)
                     return py::bytes();
                 throw py::value_error("the codec 'iscii-devanagari' decodes only");
             },
             py::arg("input"), py::arg("final") = false)
        .def("reset", [](encoder&) {})
        .def("getstate", [](encoder&) { return 0; })
        .def("setstate", [](encoder&, py::handle) {});

    // The codec: decoding only.
    py::object codecs = py::module_::import("codecs");
    py::object decoderclass = m.attr("IsciiIncrementalDecoder");
    py::cpp_function decode(
        [](py::handle input, const std::string& errors) {
            decoder d;
            d.errors = errors;
            py::str text = decodebytes(d, input, true);
            return py::make_tuple(text, py::len(input));
        },
        py::arg("input"), py::arg("errors") = "strict");
    py::cpp_function encode(
        [](py::handle, const std::string&) -> py::tuple {
            throw py::value_error("the codec 'iscii-devanagari' decodes only");
        },
        py::arg("input"), py::arg("errors") = "strict");
    py::object info = codecs.attr("CodecInfo")(encode, decode, py::arg("name") = encodingname,
                                               py::arg("incrementaldecoder") = decoderclass,
                                               py::arg("incrementalencoder") = m.attr("IsciiIncrementalEncoder"));
    m.attr("codec_info") = info;
    codecs.attr("register")(py::cpp_function([info](const std::string& name) { return search(name, info); }));
}
