"""utf8proc, read through ctypes at build time: the one source of the
Unicode facts the generators write into tables (combining classes,
canonical decompositions and compositions)."""
import ctypes
import ctypes.util
import sys

# utf8proc's option bits (utf8proc.h).
STABLE, COMPAT, COMPOSE, DECOMPOSE = 1 << 1, 1 << 2, 1 << 3, 1 << 4

lib = ctypes.CDLL(ctypes.util.find_library("utf8proc") or "libutf8proc.so.2")
lib.utf8proc_get_property.restype = ctypes.POINTER(ctypes.c_int16)
lib.utf8proc_get_property.argtypes = [ctypes.c_int32]
lib.utf8proc_decompose_char.restype = ctypes.c_ssize_t
lib.utf8proc_decompose_char.argtypes = [ctypes.c_int32, ctypes.POINTER(ctypes.c_int32), ctypes.c_ssize_t,
                                        ctypes.c_int, ctypes.POINTER(ctypes.c_int)]
lib.utf8proc_decompose.restype = ctypes.c_ssize_t
lib.utf8proc_decompose.argtypes = [ctypes.c_char_p, ctypes.c_ssize_t, ctypes.POINTER(ctypes.c_int32),
                                   ctypes.c_ssize_t, ctypes.c_int]
lib.utf8proc_normalize_utf32.restype = ctypes.c_ssize_t
lib.utf8proc_normalize_utf32.argtypes = [ctypes.POINTER(ctypes.c_int32), ctypes.c_ssize_t, ctypes.c_int]
lib.utf8proc_category.argtypes = [ctypes.c_int32]
lib.utf8proc_version.restype = ctypes.c_char_p
lib.utf8proc_unicode_version.restype = ctypes.c_char_p

LAST = 0x10FFFF


def combining_class(c):
    # The class is the second field of utf8proc's property record.
    return lib.utf8proc_get_property(c)[1]


def decomposition(c, options=STABLE | DECOMPOSE):
    """The canonical (or, with COMPAT, compatibility) decomposition of c."""
    buf = (ctypes.c_int32 * 8)()
    boundclass = ctypes.c_int(0)
    n = lib.utf8proc_decompose_char(c, buf, 8, options, ctypes.byref(boundclass))
    return list(buf[:n]) if 0 < n <= 8 else [c]


def nfc(chars):
    """What kavrel's nfc() makes of the run, through utf8proc as it calls it."""
    text = "".join(map(chr, chars)).encode("utf-8", "surrogatepass")
    buf = (ctypes.c_int32 * (4 * len(chars) + 8))()
    n = lib.utf8proc_decompose(text, len(text), buf, len(buf), STABLE | COMPOSE)
    n = lib.utf8proc_normalize_utf32(buf, n, STABLE | COMPOSE)
    return list(buf[:n])
