// The conversions of one str, to_devanagari and to_roman, and detect.
#include "module.hpp"

#include <algorithm>
#include <new>

namespace binding {

namespace {

// The one-shot conversion of UTF-8, appended to `out`.
void convertutf8(direction d, const options& o, std::string_view in, std::string& out)
{
    if (d == direction::todevanagari)
        lipisetu::todevanagari(in, out, o.roman);
    else
        lipisetu::toroman(in, out, o.roman.scheme);
}

} // namespace

lipisetu::status convertstream(direction d, const options& o, lipisetu::source in, lipisetu::sink out)
{
    return d == direction::todevanagari ? lipisetu::convertroman(in, out, o.roman)
                                        : lipisetu::convertdevanagari(in, out, o.roman.scheme);
}

// ASCII or a short str at once, from its UTF-8 (its own bytes, or made in
// `room`); a long one in blocks straight from its characters, so that no
// copy of it is made.
void convertchars(direction d, const options& o, const strref& text, utf8room& room, std::string& out)
{
    if (text.ascii || text.chars.len < gilfree) {
        convertutf8(d, o, utf8of(text, room), out);
        return;
    }
    strsource in = text.chars;
    if (convertstream(d, o, {readstr, &in}, {writestring, &out}).nomemory)
        throw std::bad_alloc();
}

// A short str through this thread's buffers, a long one without the GIL.
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

namespace {

// The class of detect's results, made once on import and kept for the
// module's life.
PyObject* detectionclass = nullptr;

// The name detect's result gives what the text is written in.
std::string_view writingname(const lipisetu::detection& d)
{
    switch (d.found) {
    case lipisetu::writing::roman:
        return lipisetu::nameof(d.scheme);
    case lipisetu::writing::devanagari:
        return "devanagari";
    default:
        return "unknown";
    }
}

} // namespace

void adddetectionclass(py::module_& m)
{
    py::object cls = py::module_::import("collections").attr("namedtuple")("Detection", "scheme score",
                                                                           py::arg("module") = "lipisetu");
    m.attr("Detection") = cls;
    detectionclass = cls.release().ptr();
}

// Only the first block is read: as many characters as its bytes are
// enough, each being one byte at least.
PyObject* detectone(PyObject* text)
{
    strref t;
    if (!charsof(text, t))
        return nullptr;
    t.chars.len = std::min(t.chars.len, lipisetu::detectblock);
    utf8room room;
    lipisetu::detection d = lipisetu::detect(utf8of(t, room));
    std::string_view name = writingname(d);
    py::str scheme(name.data(), name.size());
    py::float_ score(d.score);
    return PyObject_CallFunctionObjArgs(detectionclass, scheme.ptr(), score.ptr(), nullptr);
}

} // namespace binding
