// The module: its functions, each with the signature help() shows and an
// example, its version, scheme and script names, its classes and its codec.
#include "module.hpp"

#include <iterator>

#ifndef LIPISETU_VERSION
#error "LIPISETU_VERSION, the project's version, comes from the build"
#endif

namespace binding {

namespace {

// The module's functions: each reads its arguments by its signature, then
// runs its body.
using bodyfn = PyObject* (*)(PyObject* const* args, const options& o);

template <const signature& sig, bodyfn run>
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
constexpr signature fromisciisig{"from_iscii", {"data"}, 1, atrarg};
constexpr signature todevanagaribatchsig{"to_devanagari_batch", {"texts"}, 1, romanargs};
constexpr signature toromanbatchsig{"to_roman_batch", {"texts"}, 1, schemearg};
constexpr signature fromisciibatchsig{"from_iscii_batch", {"data"}, 1, atrarg};
constexpr signature todevanagarifilesig{"to_devanagari_file", {"source", "target"}, 2, romanargs | formsarg};
constexpr signature toromanfilesig{"to_roman_file", {"source", "target"}, 2, schemearg};
constexpr signature isciifilesig{"iscii_file", {"source", "target"}, 2, onmessagearg | atrarg};
constexpr signature detectsig{"detect", {"text"}, 1, 0};

namespace bodies {

PyObject* todevanagari(PyObject* const* a, const options& o) { return convertone(direction::todevanagari, o, a[0]); }
PyObject* toroman(PyObject* const* a, const options& o) { return convertone(direction::toroman, o, a[0]); }
PyObject* fromiscii(PyObject* const* a, const options& o) { return decodeone(a[0], o.iscii); }

PyObject* todevanagaribatch(PyObject* const* a, const options& o)
{
    return convertbatch(direction::todevanagari, o, a[0], todevanagaribatchsig.name);
}

PyObject* toromanbatch(PyObject* const* a, const options& o)
{
    return convertbatch(direction::toroman, o, a[0], toromanbatchsig.name);
}

PyObject* fromisciibatch(PyObject* const* a, const options& o)
{
    return decodebatch(a[0], o.iscii, fromisciibatchsig.name);
}

PyObject* todevanagarifile(PyObject* const* a, const options& o) { return convertfile(direction::todevanagari, o, a[0], a[1]); }
PyObject* toromanfile(PyObject* const* a, const options& o) { return convertfile(direction::toroman, o, a[0], a[1]); }
PyObject* isciifile(PyObject* const* a, const options& o) { return binding::isciifile(a[0], a[1], o); }
PyObject* detect(PyObject* const* a, const options&) { return detectone(a[0]); }

} // namespace bodies

template <const signature& sig, bodyfn run> constexpr PyMethodDef method(const char* doc)
{
    return {sig.name, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(function<sig, run>)),
            METH_FASTCALL | METH_KEYWORDS, doc};
}

// Each docstring starts with the signature that help() shows. Where it
// says {default}, {schemes}, {script}, {scripts} or {forms}, the module
// puts the default scheme's name, the schemes' names, the default script's
// name, the scripts' names and the forms' names, as the library gives them.
// The examples are Python's doctests, and run as tests.
PyMethodDef methods[] = {
        method<todevanagarisig, bodies::todevanagari>(
                "to_devanagari($module, /, text, *, sanskrit=False, numerals=False, nfc=False, scheme='{default}', "
                "script='{script}')\n"
                "--\n\n"
                "Roman to Unicode Devanagari, as kavrel converts it.\n\n"
                ">>> lipisetu.to_devanagari('tat tvam asi', sanskrit=True)\n"
                "'\u0924\u0924\u094D\u0924\u094D\u0935\u092E\u0938\u093F'\n\n" // tattvamasi
                "sanskrit: kavrel -s, a space after a consonant closed up before a letter and the\n"
                "apostrophe as the avagraha. numerals: kavrel -n, digits as Devanagari numerals.\n"
                "nfc: kavrel --nfc, the output in Unicode's normal form C (the nukta letters\n"
                "U+0958..095F as consonant and nukta sign).\n"
                "scheme: the romanisation read, one of SCHEMES,\n{schemes}.\n"
                "script: kavrel --script, the script the Devanagari is written in, one of SCRIPTS,\n"
                "{scripts}."),
        method<toromansig, bodies::toroman>(
                "to_roman($module, /, text, *, scheme='{default}')\n--\n\n"
                "Unicode Devanagari to Roman, as sonwick converts it, in the scheme.\n\n"
                ">>> lipisetu.to_roman('\u0928\u092E\u0938\u094D\u0924\u0947')\n" // namaste
                "'namaste'"),
        method<fromisciisig, bodies::fromiscii>(
                "from_iscii($module, /, data, *, atr=False)\n--\n\n"
                "ISCII to Unicode as pellam converts it: the text and the list of IsciiMessage\n"
                "for the bytes dropped. atr: pellam --atr, the ATR codes switching the script.\n\n"
                ">>> lipisetu.from_iscii(b'a\\xa0b')\n"
                "('ab', [IsciiMessage(byte=160, line=1, kind='ignored', offset=1, span=1)])"),
        method<todevanagaribatchsig, bodies::todevanagaribatch>(
                "to_devanagari_batch($module, /, texts, *, sanskrit=False, numerals=False, nfc=False, "
                "scheme='{default}', script='{script}')\n--\n\n"
                "to_devanagari of each str of an iterable (a list, a pandas Series, a NumPy array\n"
                "of objects...), in one call: the list of results.\n\n"
                ">>> lipisetu.to_devanagari_batch(['r\u0101ma', 's\u012Bt\u0101'])\n" // rama, sita
                "['\u0930\u093E\u092E', '\u0938\u0940\u0924\u093E']\n\n"
                "The conversion runs without the GIL, a large batch in two threads."),
        method<toromanbatchsig, bodies::toromanbatch>(
                "to_roman_batch($module, /, texts, *, scheme='{default}')\n--\n\n"
                "to_roman of each str of an iterable, in one call: the list of results.\n\n"
                ">>> lipisetu.to_roman_batch(['\u092D\u093E\u0930\u0924'])\n" // bharata
                "['bh\u0101rata']\n\n"
                "The conversion runs without the GIL, a large batch in two threads."),
        method<fromisciibatchsig, bodies::fromisciibatch>(
                "from_iscii_batch($module, /, data, *, atr=False)\n--\n\n"
                "from_iscii of each bytes-like object of an iterable, in one call: the list of\n"
                "(text, messages) pairs. The decoding runs without the GIL, a large batch in two\n"
                "threads.\n\n"
                ">>> lipisetu.from_iscii_batch([b'\\xb3\\xd1', b'a'])\n"
                "[('\u0915\u0932', []), ('a', [])]"), // kala
        method<todevanagarifilesig, bodies::todevanagarifile>(
                "to_devanagari_file($module, /, source, target, *, sanskrit=False, numerals=False, nfc=False, "
                "input='detect', output='detect', scheme='{default}', script='{script}')\n--\n\n"
                "Converts a file of Roman to Devanagari, in blocks, in constant memory.\n\n"
                "source and target are paths or binary file objects. input is {forms}:\n"
                "'detect' takes the form from a byte-order mark, else UTF-8; output is one of those\n"
                "too, 'detect' meaning the input's form. Raises OSError when a read or write fails."),
        method<toromanfilesig, bodies::toromanfile>(
                "to_roman_file($module, /, source, target, *, scheme='{default}')\n--\n\n"
                "Converts a UTF-8 file of Devanagari to Roman, in blocks, in constant memory."),
        method<isciifilesig, bodies::isciifile>(
                "iscii_file($module, /, source, target, *, on_message=None, atr=False)\n--\n\n"
                "Converts an ISCII file to UTF-8 as pellam does (atr: pellam --atr), in blocks,\n"
                "in constant memory.\n\n"
                "on_message, if given, is called with an IsciiMessage for each byte dropped.\n"
                "Returns the number of messages."),
        method<detectsig, bodies::detect>(
                "detect($module, /, text)\n--\n\n"
                "The romanisation a text is most likely in, as kavrel --scheme auto finds it from\n"
                "its first block: Detection(scheme, score), the scheme one of SCHEMES, or\n"
                "'devanagari' for text in Devanagari, or 'unknown' where no scheme fits (English,\n"
                "no letters); the score, from 0 to 1, how sure it is.\n\n"
                ">>> lipisetu.detect('saṃskṛtam kṛṣṇaḥ').scheme\n" // samskrtam krsnah
                "'iast'"),
        {nullptr, nullptr, 0, nullptr},
};

// The text with each {name} replaced by its words.
std::string filled(std::string text)
{
    const std::string words[][2] = {
        {"{default}", std::string(lipisetu::nameof(lipisetu::romanoptions{}.scheme))},
        {"{schemes}", quoted(schemenames())},
        {"{script}", std::string(lipisetu::nameof(lipisetu::romanoptions{}.script))},
        {"{scripts}", quoted(scriptnames())},
        {"{forms}", quoted(formnames())},
    };
    for (const auto& [name, value] : words)
        for (std::size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + value.size()))
            text.replace(at, name.size(), value);
    return text;
}

void addfunctions(py::module_& m)
{
    static std::string docs[std::size(methods)];
    for (std::size_t i = 0; methods[i].ml_name; ++i) {
        docs[i] = filled(methods[i].ml_doc);
        methods[i].ml_doc = docs[i].c_str();
    }
    if (PyModule_AddFunctions(m.ptr(), methods) != 0)
        throw py::error_already_set();
}

py::tuple tupleof(const std::vector<std::string_view>& names)
{
    py::tuple t(names.size());
    for (std::size_t i = 0; i < names.size(); ++i)
        t[i] = py::str(names[i].data(), names[i].size());
    return t;
}

} // namespace

} // namespace binding

PYBIND11_MODULE(lipisetu, m)
{
    m.doc() = "Devanagari conversions: ISO 15919 Roman to Unicode Devanagari and back, and ISCII to\n"
              "Unicode, with the bytes of the kavrel, sonwick and pellam programs.\n\n"
              "SCHEMES names the romanisations the scheme arguments take, the default first;\n"
              "SCRIPTS the scripts the script arguments take, the default first.\n"
              "Importing the module registers the codecs 'iscii-devanagari' and 'iscii' (ISCII\n"
              "with its ATR codes switching the script), decoding only.";
    m.attr("__version__") = LIPISETU_VERSION;
    m.attr("SCHEMES") = binding::tupleof(binding::schemenames());
    m.attr("SCRIPTS") = binding::tupleof(binding::scriptnames());
    binding::addmessageclass(m);
    binding::adddetectionclass(m);
    binding::addfunctions(m);
    binding::addcodec(m);
}
