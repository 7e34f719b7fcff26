// The conversions of files: to_devanagari_file, to_roman_file and
// iscii_file, from a path or a binary file object to another, in blocks, in
// constant memory, without the GIL.
#include "module.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>

namespace binding {

namespace {

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

// A block read into buf through the file object's readinto, else its read.
std::ptrdiff_t readblock(pyfile& file, unsigned char* buf, std::size_t size)
{
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
}

std::ptrdiff_t readobject(void* context, unsigned char* buf, std::size_t size)
{
    auto& file = *static_cast<pyfile*>(context);
    py::gil_scoped_acquire gil;
    try {
        return readblock(file, buf, size);
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

// iscii_file's messages, each handed to on_message with the GIL taken; the
// first exception it raises is kept, and no message goes to it after.
struct reporting {
    PyObject* call;
    std::size_t count = 0;
    std::optional<py::error_already_set> failure;
};

void report(void* context, const lipisetu::isciimessage& x)
{
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
}

} // namespace

PyObject* convertfile(direction d, const options& o, PyObject* src, PyObject* dst)
{
    convertfiles(src, dst, [&](lipisetu::source s, lipisetu::sink t) { return convertstream(d, o, s, t); });
    Py_RETURN_NONE;
}

PyObject* isciifile(PyObject* src, PyObject* dst, const options& o)
{
    reporting r{o.onmessage, 0, std::nullopt};
    convertfiles(src, dst,
                 [&](lipisetu::source s, lipisetu::sink t) { return lipisetu::convertiscii(s, t, o.iscii, report, &r); });
    if (r.failure)
        throw std::move(*r.failure);
    return PyLong_FromSize_t(r.count);
}

} // namespace binding
