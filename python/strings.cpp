// str to UTF-8 and back, through the library's transcoder and CPython's
// own decoder.
//
// What the converters make of a str is well-formed UTF-8 but for lone
// surrogates in their three-byte form. A short text is decoded by the
// library in one pass into code points on the stack, with the widest of
// them (bytes that are not UTF-8 as U+FFFD), and then copied into a str of
// that kind, made once; Python's decoder makes an ASCII str first and
// widens it (and makes it again) at the first character past ASCII, which
// costs a word more than its decoding. A long text, and any other bytes, go
// to Python's decoder, which takes ASCII eight bytes at a time.
#include "module.hpp"

#include <algorithm>
#include <cerrno>

namespace binding {

namespace {

constexpr std::size_t shortresult = 1024; // bytes

template <class T> void narrow(const Py_UCS4* chars, std::size_t n, void* o)
{
    std::copy(chars, chars + n, static_cast<T*>(o));
}

PyObject* newshortstr(const char* s, std::size_t n)
{
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

// Encodes the str's code points from s.pos on into buf while there is
// room for them, four bytes a code point at most. A character that does
// not fit the room left waits for the next read.
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

} // namespace

PyObject* newstr(const char* s, std::size_t n)
{
    if (n <= shortresult)
        return newshortstr(s, n);
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

bool charsof(PyObject* text, strref& r)
{
    if (!PyUnicode_Check(text)) {
        PyErr_Format(PyExc_TypeError, "expected str, got %s", Py_TYPE(text)->tp_name);
        return false;
    }
    if (PyUnicode_READY(text) != 0)
        return false;
    r = {{PyUnicode_DATA(text), static_cast<int>(PyUnicode_KIND(text)),
          static_cast<std::size_t>(PyUnicode_GET_LENGTH(text))},
         PyUnicode_IS_ASCII(text) != 0};
    return true;
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

// Encodes without the check of the room left that readstr makes for each
// character: the room has four bytes a character.
std::string_view utf8of(const strref& text, utf8room& room)
{
    const strsource& s = text.chars;
    if (text.ascii)
        return {static_cast<const char*>(s.data), s.len};
    char* buf = reinterpret_cast<char*>(room.word);
    if (4 * s.len > sizeof room.word) {
        room.more.resize(4 * s.len);
        buf = room.more.data();
    }
    std::size_t n;
    if (s.kind == PyUnicode_1BYTE_KIND)
        n = lipisetu::encodeutf8(static_cast<const Py_UCS1*>(s.data), s.len, buf);
    else if (s.kind == PyUnicode_2BYTE_KIND)
        n = lipisetu::encodeutf8(static_cast<const Py_UCS2*>(s.data), s.len, buf);
    else
        n = lipisetu::encodeutf8(static_cast<const Py_UCS4*>(s.data), s.len, buf);
    return {buf, n};
}

} // namespace binding
