// ISCII decoded in one call (from_iscii), and the messages for the bytes
// pellam drops (IsciiMessage).
#include "module.hpp"

#include <pybind11/stl.h>

#include <tuple>

namespace binding {

namespace {

// The kinds of message, by the names IsciiMessage.kind gives them.
struct kindrow {
    lipisetu::drop kind;
    const char* name;
};
constexpr kindrow kinds[] = {
    {lipisetu::drop::ignored, "ignored"},
    {lipisetu::drop::atr, "atr"},
    {lipisetu::drop::ext, "ext"},
};

const char* kindname(lipisetu::drop k)
{
    for (const kindrow& r : kinds)
        if (r.kind == k)
            return r.name;
    return "";
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

// The kinds as words, for the documentation of IsciiMessage.kind.
const char* kindwords()
{
    static const std::string words = [] {
        std::vector<std::string_view> names;
        for (const kindrow& r : kinds)
            names.push_back(r.name);
        return quoted(names);
    }();
    return words.c_str();
}

std::string represent(const lipisetu::isciimessage& x)
{
    return "IsciiMessage(byte=" + std::to_string(x.byte) + ", line=" + std::to_string(x.line) + ", kind='" +
           kindname(x.kind) + "', offset=" + std::to_string(x.offset) + ", span=" + std::to_string(x.span) + ")";
}

// This thread's ISCII decoders, for the one-shot decoding of the
// functions: one reads ATR codes, the other not.
lipisetu::isciistate& threaddecoder(const lipisetu::isciioptions& opt)
{
    thread_local lipisetu::isciidecoder d[2];
    lipisetu::isciidecoder& mine = d[opt.atr];
    if (!mine)
        mine = lipisetu::newisciidecoder(opt);
    if (!mine)
        throw std::bad_alloc();
    return *mine;
}

} // namespace

std::string reason(const lipisetu::isciimessage& m)
{
    std::string s = lipisetu::describe(m);
    if (!s.empty() && s.back() == '\n')
        s.pop_back();
    return s;
}

void decodeiscii(std::string_view in, const lipisetu::isciioptions& opt, std::string& text,
                 std::vector<lipisetu::isciimessage>& messages)
{
    lipisetu::isciistate& d = threaddecoder(opt);
    lipisetu::reset(d);
    lipisetu::decode(d, in, true, text, messages);
}

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

// A short input through this thread's buffers, a long one without the GIL.
PyObject* decodeone(PyObject* data, const lipisetu::isciioptions& opt)
{
    bytesref b;
    if (!bytesof(data, b))
        return nullptr;
    if (b.data.size() < gilfree) {
        thread_local std::string text;
        thread_local std::vector<lipisetu::isciimessage> messages;
        text.clear();
        messages.clear();
        decodeiscii(b.data, opt, text, messages);
        return isciiresult(text, messages.data(), messages.size());
    }
    std::string text;
    std::vector<lipisetu::isciimessage> messages;
    {
        py::gil_scoped_release free;
        decodeiscii(b.data, opt, text, messages);
    }
    return isciiresult(text, messages.data(), messages.size());
}

void addmessageclass(py::module_& m)
{
    using lipisetu::isciimessage;
    py::class_<isciimessage>(m, "IsciiMessage", "A byte pellam drops, with the message it writes for it.")
        .def_readonly("byte", &isciimessage::byte, "the byte dropped")
        .def_readonly("line", &isciimessage::line, "its line, from 1")
        .def_property_readonly(
            "kind", [](const isciimessage& x) { return kindname(x.kind); }, kindwords())
        .def_readonly("offset", &isciimessage::offset, "its offset in the input")
        .def_readonly("span", &isciimessage::span, "bytes dropped: 1, or 2 for ATR or EXT and the byte after")
        .def("__str__", &reason)
        .def("__repr__", &represent)
        .def(
            "__eq__", [](const isciimessage& x, const isciimessage& y) { return fieldsof(x) == fieldsof(y); },
            py::is_operator())
        // Pickled as its fields, so that the results of from_iscii come
        // back from worker processes.
        .def(py::pickle(&fieldsof, &messageof));
}

} // namespace binding
