// The arguments of the module's functions, read as Python reads them, and
// the names their keywords take: the romanisations, the scripts and the
// forms, as the library names them.
#include "module.hpp"

#include <algorithm>
#include <iterator>

namespace binding {

namespace {

// The names the library gives, from the first value of the enumeration on:
// nameof is empty past the last.
template <class E> std::vector<std::string_view> listnames()
{
    std::vector<std::string_view> names;
    for (unsigned k = 0;; ++k) {
        std::string_view n = lipisetu::nameof(static_cast<E>(k));
        if (n.empty())
            return names;
        names.push_back(n);
    }
}

// The str's text, or nothing (and no error set) when it is no str.
bool textof(PyObject* name, std::string_view& text)
{
    if (!PyUnicode_Check(name))
        return false;
    Py_ssize_t n = 0;
    const char* s = PyUnicode_AsUTF8AndSize(name, &n);
    if (!s) {
        PyErr_Clear(); // a lone surrogate: a name of nothing
        s = "";
        n = 0;
    }
    text = {s, static_cast<std::size_t>(n)};
    return true;
}

// The error for a name that names nothing: a TypeError when it is no str.
bool misnamed(const char* what, const std::vector<std::string_view>& names, PyObject* name)
{
    if (!PyUnicode_Check(name))
        PyErr_Format(PyExc_TypeError, "%s must be a str, not %s", what, Py_TYPE(name)->tp_name);
    else
        PyErr_Format(PyExc_ValueError, "%s must be %s, not %R", what, quoted(names).c_str(), name);
    return false;
}

bool formnamed(PyObject* name, lipisetu::form& f)
{
    std::string_view text;
    if (textof(name, text) && lipisetu::formnamed(text, f))
        return true;
    return misnamed("form", formnames(), name);
}

bool schemenamed(PyObject* name, lipisetu::scheme& s)
{
    std::string_view text;
    if (textof(name, text) && lipisetu::schemenamed(text, s))
        return true;
    return misnamed("scheme", schemenames(), name);
}

bool scriptnamed(PyObject* name, lipisetu::script& s)
{
    std::string_view text;
    if (textof(name, text) && lipisetu::scriptnamed(text, s))
        return true;
    return misnamed("script", scriptnames(), name);
}

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
        {"nfc", nfcarg, [](PyObject* v, options& o) { return readflag(v, o.roman.nfc); }},
        {"atr", atrarg, [](PyObject* v, options& o) { return readflag(v, o.iscii.atr); }},
        {"input", formsarg, [](PyObject* v, options& o) { return formnamed(v, o.roman.input); }},
        {"output", formsarg, [](PyObject* v, options& o) { return formnamed(v, o.roman.output); }},
        {"on_message", onmessagearg, [](PyObject* v, options& o) { o.onmessage = v; return true; }},
        {"scheme", schemearg, [](PyObject* v, options& o) { return schemenamed(v, o.roman.scheme); }},
        {"script", scriptarg, [](PyObject* v, options& o) { return scriptnamed(v, o.roman.script); }},
};

// Reads the keyword `name` with its value: a positional parameter's into
// its slot, any other into `o`.
bool readkeyword(const signature& sig, PyObject* name, PyObject* value, PyObject** pos, options& o)
{
    auto named = [name](const char* n) { return PyUnicode_CompareWithASCIIString(name, n) == 0; };
    const char* const* p = std::find_if(sig.positional, sig.positional + sig.count, named);
    if (p != sig.positional + sig.count) {
        PyObject*& slot = pos[p - sig.positional];
        if (slot) {
            PyErr_Format(PyExc_TypeError, "%s() got multiple values for argument '%s'", sig.name, *p);
            return false;
        }
        slot = value;
        return true;
    }
    const keyword* kw = std::find_if(std::begin(keywords), std::end(keywords),
                                     [&](const keyword& w) { return (sig.keywords & w.bit) && named(w.name); });
    if (kw == std::end(keywords)) {
        PyErr_Format(PyExc_TypeError, "%s() got an unexpected keyword argument '%U'", sig.name, name);
        return false;
    }
    return kw->read(value, o);
}

} // namespace

const std::vector<std::string_view>& schemenames()
{
    static const std::vector<std::string_view> names = listnames<lipisetu::scheme>();
    return names;
}

const std::vector<std::string_view>& scriptnames()
{
    static const std::vector<std::string_view> names = listnames<lipisetu::script>();
    return names;
}

const std::vector<std::string_view>& formnames()
{
    static const std::vector<std::string_view> names = listnames<lipisetu::form>();
    return names;
}

std::string quoted(const std::vector<std::string_view>& names)
{
    std::string s;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            s += i + 1 == names.size() ? " or " : ", ";
        s.append("'").append(names[i]).append("'");
    }
    return s;
}

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
    for (Py_ssize_t k = 0; k < nkw; ++k)
        if (!readkeyword(sig, PyTuple_GET_ITEM(kwnames, k), args[nargs + k], pos, o))
            return false;
    for (int i = 0; i < sig.count; ++i)
        if (!pos[i]) {
            PyErr_Format(PyExc_TypeError, "%s() missing required argument '%s' (pos %d)", sig.name, sig.positional[i],
                         i + 1);
            return false;
        }
    return true;
}

} // namespace binding
