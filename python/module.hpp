// What the files of the Python module share.
//
// The module gives the library's conversions on str, one at a time or a
// batch in one call, on files (paths or binary file objects) and as the
// codec "iscii-devanagari", registered with codecs on import. Conversions
// of large inputs and batches run without the GIL, so threads convert in
// parallel.
//
// The module's functions are plain CPython functions (METH_FASTCALL), not
// pybind11's: a call on one word costs a few hundred nanoseconds less
// through them, and a function bound to the module pickles by its name, so
// that worker processes (multiprocessing, Dask) can be handed it. Their
// arguments are read in one place (args.cpp), from one table of keywords.
//
//   args.cpp     the arguments, and the names of schemes and forms
//   strings.cpp  str to UTF-8 and back
//   text.cpp     the conversions of one str
//   batch.cpp    the batch calls
//   files.cpp    paths and file objects
//   iscii.cpp    ISCII decoded in one call, and its messages
//   codec.cpp    the codec "iscii-devanagari"
//   module.cpp   the functions, their documentation, the module
#pragma once

#include <pybind11/pybind11.h>

#include "lipisetu.hpp"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace py = pybind11;

namespace binding {

// Past this many bytes (or characters) a conversion lets other threads run.
constexpr std::size_t gilfree = std::size_t{1} << 16;

// The codecs: ISCII in Devanagari, and ISCII whose ATR codes switch among
// its nine scripts.
inline constexpr const char* encodingname = "iscii-devanagari";
inline constexpr const char* atrencodingname = "iscii";

// ---------------------------------------------------------------- arguments

// What a call asks for besides its positional arguments: kavrel's options
// (the scheme serves sonwick's conversions too), and for iscii_file the
// function called with each message.
struct options {
    lipisetu::romanoptions roman;
    lipisetu::isciioptions iscii;
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
    nfcarg = 32,
    atrarg = 64,
    scriptarg = 128,
    romanargs = sanskritarg | numeralsarg | nfcarg | schemearg | scriptarg,
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
              options& o);

// The names of the romanisations, from the library, in its order (the
// default first), of the scripts (Devanagari first) and of the forms, as
// the arguments take them; each list also as words for a message: "'a',
// 'b' or 'c'".
const std::vector<std::string_view>& schemenames();
const std::vector<std::string_view>& scriptnames();
const std::vector<std::string_view>& formnames();
std::string quoted(const std::vector<std::string_view>& names);

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

// ---------------------------------------------------------------- str

// A str from converted UTF-8, surrogates as they were; bytes no str can
// hold (never from well-formed input) become U+FFFD rather than an error.
// Null with the error set only when there is no memory.
PyObject* newstr(const char* s, std::size_t n);
py::str strof(const std::string& s); // throws when there is no memory

// A str's characters, read without the GIL while the str is held, as a
// source of UTF-8 (lone surrogates in their three-byte form, as
// "surrogatepass" writes them).
struct strsource {
    const void* data;
    int kind; // bytes a code point: 1, 2 or 4
    std::size_t len, pos = 0;
};
struct strref {
    strsource chars;
    bool ascii;
};

// The characters of `text`; false with a TypeError when it is no str.
bool charsof(PyObject* text, strref& r);
// A source's read: encodes the characters from `pos` on, a block at a time,
// so that no copy of a large text is made beside it.
std::ptrdiff_t readstr(void* context, unsigned char* buf, std::size_t size);
// A sink's write that appends to a std::string.
std::ptrdiff_t writestring(void* context, const unsigned char* buf, std::size_t size);

// Room for the UTF-8 of a str: in place for a word, else in a string.
struct utf8room {
    unsigned char word[256];
    std::string more;
};
// The UTF-8 of a str in one pass: its own bytes when it is ASCII, else
// encoded into `room`. Runs without the GIL while the str is held.
std::string_view utf8of(const strref& text, utf8room& room);

// ---------------------------------------------------------------- text

// The two conversions of text.
enum class direction { todevanagari, toroman };

// Converts a str, appending the UTF-8 result to `out`. Runs without the GIL.
void convertchars(direction d, const options& o, const strref& text, utf8room& room, std::string& out);
lipisetu::status convertstream(direction d, const options& o, lipisetu::source in, lipisetu::sink out);
// One str converted: the new str, or null with the error set.
PyObject* convertone(direction d, const options& o, PyObject* text);

// ---------------------------------------------------------------- ISCII

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
bool bytesof(PyObject* obj, bytesref& r); // false with the error set

// ISCII decoded as from_iscii decodes it, the text and messages appended.
// Runs without the GIL.
void decodeiscii(std::string_view in, const lipisetu::isciioptions& opt, std::string& text,
                 std::vector<lipisetu::isciimessage>& messages);
// from_iscii's result, the text and the list of messages; or null.
PyObject* isciiresult(std::string_view text, const lipisetu::isciimessage* m, std::size_t count);
PyObject* decodeone(PyObject* data, const lipisetu::isciioptions& opt);
// The message without its line feed: its str, and the reason of a
// UnicodeDecodeError.
std::string reason(const lipisetu::isciimessage& m);
// The class IsciiMessage, which must be there before any message is made.
void addmessageclass(py::module_& m);

// ---------------------------------------------------------------- batches

// `name` is the function's, for its messages.
PyObject* convertbatch(direction d, const options& o, PyObject* batch, const char* name);
PyObject* decodebatch(PyObject* batch, const lipisetu::isciioptions& opt, const char* name);

// ---------------------------------------------------------------- files

// Source and target are paths or binary file objects; these return None,
// and iscii_file the number of messages, or null with the error set.
PyObject* convertfile(direction d, const options& o, PyObject* src, PyObject* dst);
PyObject* isciifile(PyObject* src, PyObject* dst, const options& o);

// ---------------------------------------------------------------- codec

// ---------------------------------------------------------------- detect

// detect's result, a named tuple (scheme, score); or null.
PyObject* detectone(PyObject* text);
// The named tuple's class, which must be there before detect is called.
void adddetectionclass(py::module_& m);

// ---------------------------------------------------------------- codec

// The classes of the codecs' incremental decoders and encoder, their
// CodecInfo as codec_info and atr_codec_info, and the codecs registered.
void addcodec(py::module_& m);

} // namespace binding
