"""Devanagari conversions: ISO 15919 Roman to Unicode Devanagari and back, and ISCII to
Unicode, with the bytes of the kavrel, sonwick and pellam programs.

Importing the module registers the codec 'iscii-devanagari' (decoding only)."""

import codecs
import os
from typing import BinaryIO, Callable, Iterable, Literal, Protocol, Union

class _Reader(Protocol):
    def read(self, size: int = ..., /) -> bytes: ...

class _Writer(Protocol):
    def write(self, data: memoryview, /) -> int | None: ...

_Path = Union[str, bytes, os.PathLike[str], os.PathLike[bytes]]
_Source = Union[_Path, BinaryIO, _Reader]
_Target = Union[_Path, BinaryIO, _Writer]
_Form = Literal["detect", "utf-8", "utf-16le", "utf-16be"]
_Buffer = Union[bytes, bytearray, memoryview]
_Scheme = Literal["iso", "iast", "hk", "itrans", "slp1", "velthuis", "wx"]

def to_devanagari(
    text: str, *, sanskrit: bool = False, numerals: bool = False, scheme: _Scheme = "iso"
) -> str:
    """Roman in the scheme (ISO 15919 by default) to Unicode Devanagari, as kavrel converts it."""

def to_roman(text: str, *, scheme: _Scheme = "iso") -> str:
    """Unicode Devanagari to Roman in the scheme, as sonwick converts it."""

def to_devanagari_batch(
    texts: Iterable[str], *, sanskrit: bool = False, numerals: bool = False, scheme: _Scheme = "iso"
) -> list[str]:
    """to_devanagari of each str, in one call without the GIL: the list of results."""

def to_roman_batch(texts: Iterable[str], *, scheme: _Scheme = "iso") -> list[str]:
    """to_roman of each str, in one call without the GIL: the list of results."""

def to_devanagari_file(
    source: _Source,
    target: _Target,
    *,
    sanskrit: bool = False,
    numerals: bool = False,
    input: _Form = "detect",
    output: _Form = "detect",
    scheme: _Scheme = "iso",
) -> None:
    """Converts a file of Roman to Devanagari, in blocks, in constant memory."""

def to_roman_file(source: _Source, target: _Target, *, scheme: _Scheme = "iso") -> None:
    """Converts a UTF-8 file of Devanagari to Roman in the scheme, in blocks, in constant memory."""

class IsciiMessage:
    """A byte pellam drops, with the message it writes for it."""
    @property
    def byte(self) -> int: ...
    @property
    def line(self) -> int: ...
    @property
    def kind(self) -> Literal["ignored", "atr", "ext"]: ...
    @property
    def offset(self) -> int: ...
    @property
    def span(self) -> int: ...
    def __eq__(self, other: object) -> bool: ...

def from_iscii(data: _Buffer) -> tuple[str, list[IsciiMessage]]:
    """ISCII to Unicode as pellam converts it: the text and the messages for the bytes dropped."""

def from_iscii_batch(data: Iterable[_Buffer]) -> list[tuple[str, list[IsciiMessage]]]:
    """from_iscii of each bytes-like object, in one call without the GIL: the list of results."""

def iscii_file(
    source: _Source, target: _Target, *, on_message: Callable[[IsciiMessage], object] | None = None
) -> int:
    """Converts an ISCII file to UTF-8 as pellam does, in constant memory; the number of messages."""

class IsciiIncrementalDecoder:
    """The incremental decoder of the codec 'iscii-devanagari'."""
    errors: str
    def __init__(self, errors: str = "strict") -> None: ...
    def decode(self, input: _Buffer, final: bool = False) -> str: ...
    def reset(self) -> None: ...
    def getstate(self) -> tuple[bytes, int]: ...
    def setstate(self, state: tuple[bytes, int]) -> None: ...

class IsciiIncrementalEncoder:
    """Encoding to ISCII is not offered: encode raises ValueError."""
    def __init__(self, errors: str = "strict") -> None: ...
    def encode(self, input: str, final: bool = False) -> bytes: ...
    def reset(self) -> None: ...
    def getstate(self) -> int: ...
    def setstate(self, state: int) -> None: ...

codec_info: codecs.CodecInfo
