// The codecs "iscii-devanagari" and "iscii" (whose ATR codes switch the
// script), decoding only: their incremental decoder over the library's,
// with the standard error handlers and any registered one, and their
// registration with codecs.
#include "module.hpp"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <memory>

namespace binding {

namespace {

// The incremental decoder behind the codec: the library's decoder and what
// the error handling needs to place its messages.
struct decoder {
    lipisetu::isciidecoder d;
    std::string errors;
    bool atr;
    std::uint64_t fed = 0;     // bytes given to the library's decoder since its start
    std::uint64_t written = 0; // UTF-8 bytes it gave back
    explicit decoder(bool atr) : d(lipisetu::newisciidecoder(lipisetu::isciioptions{.atr = atr})), atr(atr)
    {
        if (!d)
            throw std::bad_alloc();
    }
};

const char* codecname(const decoder& dec) { return dec.atr ? atrencodingname : encodingname; }

void restart(decoder& dec, long line)
{
    lipisetu::reset(*dec.d, line);
    dec.fed = dec.written = 0;
}

// The object the handlers see (the bytes kept back from the last piece and
// this piece), the bytes of it that they are given and the handler, each
// made at its first need.
struct handling {
    std::string_view object;
    py::object bytes, handler;
};

// A round of decoding: object[from:end] decoded, its text appended to the
// output from `had` on.
struct round {
    std::size_t from, end;
    std::size_t had;       // the output's size before it
    std::int64_t base;     // a message's place in the object is its offset less this
    std::uint64_t outbase; // a message's place in the output is its `written` less this
};

round decoderound(decoder& dec, std::string_view object, std::size_t from, std::size_t most, bool final,
                  std::string& out, std::vector<lipisetu::isciimessage>& msgs)
{
    std::string_view piece = object.substr(from, most);
    round r{from, from + piece.size(), out.size(), static_cast<std::int64_t>(dec.fed) - static_cast<std::int64_t>(from),
            dec.written};
    bool last = final && r.end == object.size();
    msgs.clear();
    if (piece.size() < gilfree) {
        lipisetu::decode(*dec.d, piece, last, out, msgs);
    } else {
        py::gil_scoped_release free;
        lipisetu::decode(*dec.d, piece, last, out, msgs);
    }
    dec.fed += piece.size();
    dec.written += out.size() - r.had;
    return r;
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

// The place a handler resumes at, from its end if negative.
std::size_t resumeat(py::handle position, std::size_t size)
{
    auto resume = position.cast<py::ssize_t>();
    if (resume < 0)
        resume += static_cast<py::ssize_t>(size);
    if (resume < 0 || static_cast<std::size_t>(resume) > size)
        throw py::index_error("position " + std::to_string(resume) + " from error handler out of bounds");
    return static_cast<std::size_t>(resume);
}

// Appends what the error handler puts for object[start:end], which `m`
// dropped ("strict" raises); returns where the decoding resumes.
std::size_t replace(const decoder& dec, handling& h, const lipisetu::isciimessage& m, std::size_t start,
                    std::size_t end, std::string& out)
{
    if (dec.errors == "replace") {
        out += "\xEF\xBF\xBD"; // U+FFFD
        return end;
    }
    if (!h.bytes)
        h.bytes = py::bytes(h.object.data(), h.object.size());
    py::object error =
        py::reinterpret_borrow<py::object>(PyExc_UnicodeDecodeError)(codecname(dec), h.bytes, start, end, reason(m));
    if (dec.errors == "strict") {
        PyErr_SetObject(PyExc_UnicodeDecodeError, error.ptr());
        throw py::error_already_set();
    }
    if (!h.handler)
        h.handler = py::module_::import("codecs").attr("lookup_error")(dec.errors);
    py::tuple result = h.handler(error);
    if (result.size() != 2)
        throw py::type_error("decoding error handler must return (str, int) tuple");
    out += utf8ofreplacement(result[0]);
    return resumeat(result[1], h.object.size());
}

// The line at `to`, from the line at `from` and the line feeds between.
long lineat(std::string_view object, std::size_t from, std::size_t to, long line)
{
    for (std::size_t i = std::min(from, to); i < std::max(from, to); ++i)
        if (object[i] == '\n')
            line += to > from ? 1 : -1;
    return line;
}

// Puts the round's text back piece by piece, each message's replacement
// between. A handler that resumes elsewhere than after the dropped bytes
// restarts the decoder there, as a codec resumes at the position its
// handler returns: then that place, else npos.
std::size_t settle(decoder& dec, handling& h, const round& r, const std::vector<lipisetu::isciimessage>& msgs,
                   std::string& text, std::string& out)
{
    if (r.had == 0)
        text.swap(out);
    else
        text.assign(out, r.had, std::string::npos);
    out.resize(r.had);
    out.reserve(r.had + text.size() + 3 * msgs.size()); // room for "replace"
    std::size_t copied = 0;                              // of text
    for (const lipisetu::isciimessage& m : msgs) {
        auto start = static_cast<std::size_t>(static_cast<std::int64_t>(m.offset) - r.base);
        std::size_t end = start + m.span;
        auto at = static_cast<std::size_t>(m.written - r.outbase);
        out.append(text, copied, at - copied);
        copied = at;
        std::size_t resume = replace(dec, h, m, start, end, out);
        if (resume != end) {
            // Lines are counted again from the message's own.
            restart(dec, lineat(h.object, start, resume, m.line));
            return resume;
        }
    }
    out.append(text, copied, std::string::npos);
    return std::string::npos;
}

// Decodes object[from:], the decoder holding what comes before it, and
// appends the text as UTF-8 to `out`, each message dealt with by the error
// handler ("ignore" drops the bytes as pellam does).
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
    handling h{object, {}, {}};
    std::string text; // a round's text, when it has messages
    std::vector<lipisetu::isciimessage> msgs;
    for (;;) {
        round r = decoderound(dec, object, from, most, final, out, msgs);
        from = r.end;
        if (most < object.size())
            most *= 2;
        if (!msgs.empty() && dec.errors != "ignore") {
            std::size_t resume = settle(dec, h, r, msgs, text, out);
            if (resume != std::string::npos) {
                from = resume;
                most = fewest;
                continue;
            }
        }
        if (r.end == object.size())
            return;
    }
}

py::str decodebytes(decoder& dec, py::handle input, bool final)
{
    bytesref b;
    if (!bytesof(input.ptr(), b))
        throw py::error_already_set();
    std::string out;
    std::string_view kept = lipisetu::pending(*dec.d);
    if (kept.empty()) {
        decodeobject(dec, b.data, 0, final, out);
    } else {
        std::string object(kept);
        object += b.data;
        decodeobject(dec, object, kept.size(), final, out);
    }
    return strof(out);
}

// The codec's encoder, which has nothing to keep.
struct encoder {};

// The codecs' search function: their names, however they are spelled.
py::object search(const std::string& name, py::object info, py::object atrinfo)
{
    std::string n;
    for (char c : name)
        n += c == '_' || c == ' ' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return n == encodingname ? info : n == atrencodingname ? atrinfo : py::none();
}

constexpr const char* decodesonly = "the codecs 'iscii-devanagari' and 'iscii' decode only";

void adddecoderclass(py::module_& m)
{
    py::class_<decoder>(m, "IsciiIncrementalDecoder",
                        "The incremental decoder of the codecs 'iscii-devanagari' and, with atr, 'iscii'.")
        .def(py::init([](const std::string& errors, bool atr) {
                 auto d = std::make_unique<decoder>(atr);
                 d->errors = errors;
                 return d;
             }),
             py::arg("errors") = "strict", py::kw_only(), py::arg("atr") = false)
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
}

// Writing text in ISCII is not offered. A text stream opened for reading
// and writing still needs an encoder to be made, so there is one, which
// refuses any text.
void addencoderclass(py::module_& m)
{
    py::class_<encoder>(m, "IsciiIncrementalEncoder", "Encoding to ISCII is not offered: encode raises ValueError.")
        .def(py::init([](const std::string&) { return encoder{}; }), py::arg("errors") = "strict")
        .def(
            "encode",
            [](encoder&, py::handle input, bool) -> py::bytes {
                if (py::len(input) == 0)
                    return py::bytes();
                throw py::value_error(decodesonly);
            },
            py::arg("input"), py::arg("final") = false)
        .def("reset", [](encoder&) {})
        .def("getstate", [](encoder&) { return 0; })
        .def("setstate", [](encoder&, py::handle) {});
}

} // namespace

void addcodec(py::module_& m)
{
    adddecoderclass(m);
    addencoderclass(m);
    py::object codecs = py::module_::import("codecs");
    py::cpp_function encode([](py::handle, const std::string&) -> py::tuple { throw py::value_error(decodesonly); },
                            py::arg("input"), py::arg("errors") = "strict");
    auto infoof = [&](const char* name, bool atr) {
        py::cpp_function decode(
            [atr](py::handle input, const std::string& errors) {
                decoder d(atr);
                d.errors = errors;
                py::str text = decodebytes(d, input, true);
                return py::make_tuple(text, py::len(input));
            },
            py::arg("input"), py::arg("errors") = "strict");
        py::object incremental = m.attr("IsciiIncrementalDecoder");
        if (atr)
            incremental = py::module_::import("functools").attr("partial")(incremental, py::arg("atr") = true);
        return codecs.attr("CodecInfo")(encode, decode, py::arg("name") = name,
                                        py::arg("incrementaldecoder") = incremental,
                                        py::arg("incrementalencoder") = m.attr("IsciiIncrementalEncoder"));
    };
    py::object info = infoof(encodingname, false), atrinfo = infoof(atrencodingname, true);
    m.attr("codec_info") = info;
    m.attr("atr_codec_info") = atrinfo;
    codecs.attr("register")(
        py::cpp_function([info, atrinfo](const std::string& name) { return search(name, info, atrinfo); }));
}

} // namespace binding
