// The batch calls: to_devanagari_batch, to_roman_batch and
// from_iscii_batch convert every item of a column in one call, without the
// GIL, a large batch in two threads, and make only the results with the GIL
// held.
#include "module.hpp"

#include <algorithm>
#include <cstring>
#include <memory>
#include <system_error>
#include <thread>

namespace binding {

namespace {

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

// The items of a one-dimensional buffer of objects (a NumPy array of
// dtype object), read straight from its memory into a new tuple: true
// when `obj` is one, false (and no error set) when it is not.
bool objectitems(PyObject* obj, py::object& items)
{
    Py_buffer view;
    if (PyObject_GetBuffer(obj, &view, PyBUF_RECORDS_RO) != 0) {
        PyErr_Clear(); // no buffer with strides and a format: another kind of iterable
        return false;
    }
    bool objects = view.ndim == 1 && view.format && std::strcmp(view.format, "O") == 0 &&
                   view.itemsize == static_cast<Py_ssize_t>(sizeof(PyObject*));
    if (objects) {
        Py_ssize_t n = view.shape[0];
        items = py::reinterpret_steal<py::object>(PyTuple_New(n));
        for (Py_ssize_t i = 0; items && i < n; ++i) {
            PyObject* item;
            std::memcpy(&item, static_cast<const char*>(view.buf) + i * view.strides[0], sizeof item);
            item = item ? item : Py_None;
            Py_INCREF(item);
            PyTuple_SET_ITEM(items.ptr(), i, item);
        }
    }
    PyBuffer_Release(&view);
    if (objects && !items)
        throw py::error_already_set();
    return objects;
}

// The batch as one item, where an iterable of them was meant: a str, or a
// bytes-like object that holds no objects.
bool lone(PyObject* batch, bool text)
{
    if (text)
        return PyUnicode_Check(batch);
    if (PyBytes_Check(batch) || PyByteArray_Check(batch))
        return true;
    if (!PyMemoryView_Check(batch))
        return false;
    const char* format = PyMemoryView_GET_BUFFER(batch)->format;
    return !format || std::strcmp(format, "O") != 0;
}

// The items of a NumPy array of objects, or of an object whose __array__
// gives one (a pandas Series, Index or array of strings), read straight
// from the array's memory rather than through an iterator: true when
// `batch` is one of those.
bool arrayitems(PyObject* batch, py::object& items)
{
    if (PyList_CheckExact(batch) || PyTuple_CheckExact(batch))
        return false;
    if (PyObject_CheckBuffer(batch))
        return objectitems(batch, items);
    if (!PyObject_HasAttrString(batch, "__array__"))
        return false;
    py::object array = py::reinterpret_borrow<py::object>(batch).attr("__array__")();
    return PyObject_CheckBuffer(array.ptr()) && objectitems(array.ptr(), items);
}

// The items of a batch, in a tuple that holds each, so that nothing can
// change or free them while the GIL is free: a tuple as it is, a list
// copied, an array of objects read from its memory, any other iterable
// through its iterator.
py::object itemsof(PyObject* batch, bool text, const char* name)
{
    if (lone(batch, text)) {
        PyErr_Format(PyExc_TypeError, "%s() takes an iterable of %s, not one %s: put it in a list", name,
                     text ? "str" : "bytes-like objects", Py_TYPE(batch)->tp_name);
        throw py::error_already_set();
    }
    py::object items;
    if (arrayitems(batch, items))
        return items;
    items = py::reinterpret_steal<py::object>(PySequence_Tuple(batch));
    if (!items)
        throw py::error_already_set();
    return items;
}

PyObject* item(const py::object& items, std::size_t i) { return PyTuple_GET_ITEM(items.ptr(), static_cast<Py_ssize_t>(i)); }

std::size_t count(const py::object& items) { return static_cast<std::size_t>(PyTuple_GET_SIZE(items.ptr())); }

// The list of a batch's results, made by result(part, item, at) for each
// item in turn, where `at` indexes the part's results of the item before.
template <class F> PyObject* resultsof(std::size_t n, const part (&parts)[2], F result)
{
    py::list list(n);
    for (const part& p : parts)
        for (std::size_t i = p.from; i < p.to; ++i) {
            PyObject* r = result(p, i - p.from);
            if (!r)
                return nullptr;
            PyList_SET_ITEM(list.ptr(), static_cast<Py_ssize_t>(i), r);
        }
    return list.release().ptr();
}

} // namespace

PyObject* convertbatch(direction d, const options& o, PyObject* batch, const char* name)
{
    py::object items = itemsof(batch, true, name);
    std::size_t n = count(items);
    std::vector<strref> texts(n);
    std::vector<std::size_t> before(n + 1);
    for (std::size_t i = 0; i < n; ++i) {
        PyObject* t = item(items, i);
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
    return resultsof(n, parts, [](const part& p, std::size_t k) {
        std::size_t at = k == 0 ? 0 : p.ends[k - 1];
        return newstr(p.text.data() + at, p.ends[k] - at);
    });
}

PyObject* decodebatch(PyObject* batch, const lipisetu::isciioptions& opt, const char* name)
{
    py::object items = itemsof(batch, false, name);
    std::size_t n = count(items);
    std::unique_ptr<bytesref[]> data(new bytesref[n]);
    std::vector<std::size_t> before(n + 1);
    for (std::size_t i = 0; i < n; ++i) {
        if (!bytesof(item(items, i), data[i]))
            return nullptr;
        before[i + 1] = before[i] + data[i].data.size();
    }
    part parts[2];
    runparts(before, parts, [&](part& p) {
        p.messageends.reserve(p.to - p.from);
        for (std::size_t i = p.from; i < p.to; ++i) {
            decodeiscii(data[i].data, opt, p.text, p.messages);
            p.ends.push_back(p.text.size());
            p.messageends.push_back(p.messages.size());
        }
    });
    return resultsof(n, parts, [](const part& p, std::size_t k) {
        std::size_t at = k == 0 ? 0 : p.ends[k - 1], m = k == 0 ? 0 : p.messageends[k - 1];
        return isciiresult(std::string_view(p.text).substr(at, p.ends[k] - at), p.messages.data() + m,
                           p.messageends[k] - m);
    });
}

} // namespace binding
