// The Python module: the library's conversions on str, on files (paths or
// binary file objects) and as the codec "iscii-devanagari", registered with
// codecs on import. Conversions of large inputs run without the GIL, so
// threads convert in parallel.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "codec.hpp"
#include "lipisetu.hpp"

#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace py = pybind11;

namespace {

// Past this many bytes a conversion lets other threads run.
constexpr std::size_t gilfree = std::size_t{1} << 16;

const char* const encodingname = "iscii-devanagari";

// A str from converted UTF-8, surrogates as they were; bytes no str can
// hold (never from well-formed input) become U+FFFD rather than an error.
py::str strof(const std::string& s)
{
    PyObject* u = PyUnicode_DecodeUTF8(s.data(), static_cast<Py_ssize_t>(s.size()), "surrogatepass");
    if (!u) {
        PyErr_Clear();
        u = PyUnicode_DecodeUTF8(s.data(), static_cast<Py_ssize_t>(s.size()), "replace");
    }
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

template <class T> std::ptrdiff_t readunits(strsource& s, unsigned char* buf, std::size_t size)
{
    const T* p = static_cast<const T*>(s.data);
    unsigned char* o = buf;
    unsigned char* const end = buf + size;
    std::size_t i = s.pos;
    while (i < s.len && end - o >= 4) {
        auto c = static_cast<codec::lchar>(p[i]); // at most U+10FFFF
        if (c < 0x80)
            *o++ = static_cast<unsigned char>(c);
        else
            o += codec::utf8encode(c, o);
        ++i;
    }
    s.pos = i;
    if (o == buf && i < s.len) {
        errno = EINVAL; // never: the library asks for whole buffers
        return -1;
    }
    return o - buf;
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

// Converts a str through a streaming conversion into UTF-8.
template <class F> std::string convertstr(py::handle text, F convert)
{
    if (!PyUnicode_Check(text.ptr()))
        throw py::type_error("expected str, got " + std::string(Py_TYPE(text.ptr())->tp_name));
    PyObject* t = text.ptr();
    strsource in{PyUnicode_DATA(t), static_cast<int>(PyUnicode_KIND(t)), static_cast<std::size_t>(PyUnicode_GET_LENGTH(t))};
    std::string out;
    out.reserve(in.len * 2 + 16);
    auto run = [&] { return convert(lipisetu::source{readstr, &in}, lipisetu::sink{writestring, &out}); };
    lipisetu::status st;
    if (in.len < gilfree) {
        st = run();
    } else {
        py::gil_scoped_release free;
        st = run();
    }
    if (st.nomemory)
        throw std::bad_alloc();
    return out;
}

lipisetu::form formnamed(const std::string& name)
{
    if (name == "detect")
        return lipisetu::form::detect;
    if (name == "utf-8")
        return lipisetu::form::utf8;
    if (name == "utf-16le")
        return lipisetu::form::utf16le;
    if (name == "utf-16be")
        return lipisetu::form::utf16be;
    throw py::value_error("form must be 'detect', 'utf-8', 'utf-16le' or 'utf-16be', not '" + name + "'");
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

} // namespace

PYBIND11_MODULE(lipisetu, m)
{
    m.doc() = "Devanagari conversions: ISO 15919 Roman to Unicode Devanagari and back, and ISCII to\n"
              "Unicode, with the bytes of the kavrel, sonwick and pellam programs.\n\n"
              "Importing the module registers the codec 'iscii-devanagari' (decoding only).";

    m.def(
        "to_devanagari",
        [](py::handle text, bool sanskrit, bool numerals) {
            lipisetu::romanoptions o;
            o.sanskrit = sanskrit;
            o.numerals = numerals;
            return strof(convertstr(
                text, [&](lipisetu::source in, lipisetu::sink out) { return lipisetu::convertroman(in, out, o); }));
        },
        py::arg("text"), py::kw_only(), py::arg("sanskrit") = false, py::arg("numerals") = false,
        "ISO 15919 Roman to Unicode Devanagari, as kavrel converts it.\n\n"
        "sanskrit: kavrel -s, a space after a consonant closed up before a letter and the\n"
        "apostrophe as the avagraha. numerals: kavrel -n, digits as Devanagari numerals.");
    m.def(
        "to_roman",
        [](py::handle text) {
            return strof(convertstr(
                text, [](lipisetu::source in, lipisetu::sink out) { return lipisetu::convertdevanagari(in, out); }));
        },
        py::arg("text"), "Unicode Devanagari to ISO 15919 Roman, as sonwick converts it.");

    m.def(
        "to_devanagari_file",
        [](py::handle source, py::handle target, bool sanskrit, bool numerals, const std::string& input,
           const std::string& output) {
            lipisetu::romanoptions o{sanskrit, numerals, formnamed(input), formnamed(output)};
            convertfiles(source, target,
                         [&](lipisetu::source s, lipisetu::sink t) { return lipisetu::convertroman(s, t, o); });
        },
        py::arg("source"), py::arg("target"), py::kw_only(), py::arg("sanskrit") = false,
        py::arg("numerals") = false, py::arg("input") = "detect", py::arg("output") = "detect",
        "Converts a file of ISO 15919 Roman to Devanagari, in blocks, in constant memory.\n\n"
        "source and target are paths or binary file objects. input is 'detect' (a byte-order\n"
        "mark, else UTF-8), 'utf-8', 'utf-16le' or 'utf-16be'; output is one of those too,\n"
        "'detect' meaning the input's form. Raises OSError when a read or write fails.");
    m.def(
        "to_roman_file",
        [](py::handle source, py::handle target) {
            convertfiles(source, target,
                         [](lipisetu::source s, lipisetu::sink t) { return lipisetu::convertdevanagari(s, t); });
        },
        py::arg("source"), py::arg("target"),
        "Converts a UTF-8 file of Devanagari to ISO 15919 Roman, in blocks, in constant memory.");

    using lipisetu::isciimessage;
    py::class_<isciimessage>(m, "IsciiMessage", "A byte pellam drops, with the message it writes for it.")
        .def_readonly("byte", &isciimessage::byte, "the byte dropped")
        .def_readonly("line", &isciimessage::line, "its line, from 1")
        .def_property_readonly("kind", [](const isciimessage& x) { return kindname(x.kind); },
                               "'ignored', 'atr' or 'ext'")
        .def_readonly("offset", &isciimessage::offset, "its offset in the input")
        .def_readonly("span", &isciimessage::span, "bytes dropped: 1, or 2 for ATR or EXT and the byte after")
        .def("__str__", &reason)
        .def("__repr__", [](const isciimessage& x) {
            return "IsciiMessage(byte=" + std::to_string(x.byte) + ", line=" + std::to_string(x.line) +
                   ", kind='" + kindname(x.kind) + "', offset=" + std::to_string(x.offset) +
                   ", span=" + std::to_string(x.span) + ")";
        });

    m.def(
        "from_iscii",
        [](py::buffer data) {
            py::buffer_info b = data.request();
            std::string_view in(static_cast<const char*>(b.ptr), static_cast<std::size_t>(b.size * b.itemsize));
            lipisetu::isciitext t;
            if (in.size() < gilfree) {
                t = lipisetu::fromiscii(in);
            } else {
                py::gil_scoped_release free;
                t = lipisetu::fromiscii(in);
            }
            return py::make_tuple(strof(t.text), std::move(t.messages));
        },
        py::arg("data"),
        "ISCII to Unicode as pellam converts it: the text and the list of IsciiMessage\n"
        "for the bytes dropped.");
    m.def(
        "iscii_file",
        [](py::handle source, py::handle target, py::object on_message) {
            struct reporting {
                py::object call;
                std::size_t count = 0;
                std::optional<py::error_already_set> failure;
            } r{on_message, 0, std::nullopt};
            auto report = [](void* context, const lipisetu::isciimessage& x) {
                auto& r = *static_cast<reporting*>(context);
                ++r.count;
                if (r.call.is_none() || r.failure)
                    return;
                py::gil_scoped_acquire gil;
                try {
                    r.call(x);
                } catch (py::error_already_set& e) {
                    r.failure.emplace(std::move(e));
                }
            };
            convertfiles(source, target, [&](lipisetu::source s, lipisetu::sink t) {
                return lipisetu::convertiscii(s, t, report, &r);
            });
            if (r.failure)
                throw std::move(*r.failure);
            return r.count;
        },
        py::arg("source"), py::arg("target"), py::kw_only(), py::arg("on_message") = py::none(),
        "Converts an ISCII file to UTF-8 as pellam does, in blocks, in constant memory.\n\n"
        "on_message, if given, is called with an IsciiMessage for each byte dropped.\n"
        "Returns the number of messages.");

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
