// The declarations of lipisetu.js: the conversions of kavrel, sonwick and
// pellam over the library compiled to WebAssembly.

/** The Roman schemes, in the order the module numbers them. */
export declare const schemes: readonly ['iso', 'iast', 'hk', 'itrans', 'slp1', 'velthuis', 'wx'];

/**
 * A Roman scheme: ISO 15919 as kavrel and sonwick write it (the default),
 * IAST, Harvard-Kyoto, ITRANS, SLP1, Velthuis or WX.
 */
export type Scheme = (typeof schemes)[number];

/**
 * The form of a byte stream of kavrel's: `'detect'` reads a byte-order mark
 * (else UTF-8) on input and writes the input's form on output.
 */
export type Form = 'detect' | 'utf-8' | 'utf-16le' | 'utf-16be';

export interface ToDevanagariOptions {
  /** Spaces closed up after a consonant, the apostrophe as avagraha (kavrel -s). Default false. */
  sanskrit?: boolean;
  /** Digits as Devanagari numerals (kavrel -n). Default false. */
  numerals?: boolean;
  /** The scheme read. Default 'iso'. */
  scheme?: Scheme;
}

export interface ToRomanOptions {
  /** The scheme written. Default 'iso'. */
  scheme?: Scheme;
}

/**
 * Roman in the scheme to Unicode Devanagari, as kavrel converts it. Any
 * string converts, lone surrogates included (they pass through); an
 * unknown option or scheme throws a TypeError or a RangeError.
 */
export declare function toDevanagari(text: string, options?: ToDevanagariOptions): string;

/** Unicode Devanagari to Roman in the scheme, as sonwick converts it. */
export declare function toRoman(text: string, options?: ToRomanOptions): string;

/** Why pellam dropped a byte: no character for it, or an ATR or EXT code with the byte after it. */
export type IsciiMessageKind = 'ignored' | 'atr' | 'ext';

/** A byte pellam drops, with the message it writes for it. Frozen. */
export interface IsciiMessage {
  /** The byte dropped: 0xEF for ATR, 0xF0 for EXT. */
  readonly byte: number;
  /** Its line: 1 + the line feeds before it. */
  readonly line: number;
  readonly kind: IsciiMessageKind;
  /** Where the byte is in the input, counted from 0. */
  readonly offset: number;
  /** The bytes dropped from `offset` on: 1, or 2 for ATR or EXT and the byte after it. */
  readonly span: number;
  /** pellam's message, without the line feed: "Ignoring character 0xa0 at line 1". */
  readonly message: string;
}

export interface IsciiText {
  /** The Unicode text. */
  text: string;
  /** The messages, in input order. */
  messages: IsciiMessage[];
}

/** ISCII bytes to Unicode as pellam converts them, with pellam's messages. */
export declare function fromIscii(bytes: ArrayBufferView | ArrayBufferLike): IsciiText;

export interface ToDevanagariStreamOptions extends ToDevanagariOptions {
  /** The form of the bytes read, as kavrel's -iu, -il, -ib. Default 'detect'. */
  input?: Form;
  /**
   * The form written, as kavrel's -ou, -ol, -ob (UTF-16 starts with its
   * byte-order mark). Default 'detect': the input's form.
   */
  output?: Form;
}

/**
 * Roman to Devanagari as a byte stream in constant memory, as kavrel
 * converts a file: Uint8Array chunks (or any ArrayBufferView or
 * ArrayBuffer) in, Uint8Array chunks out, cut anywhere.
 */
export declare class ToDevanagariStream extends TransformStream<ArrayBufferView | ArrayBufferLike, Uint8Array> {
  constructor(options?: ToDevanagariStreamOptions);
}

/** UTF-8 Devanagari to Roman as a byte stream, as sonwick converts a file. */
export declare class ToRomanStream extends TransformStream<ArrayBufferView | ArrayBufferLike, Uint8Array> {
  constructor(options?: ToRomanOptions);
}

export interface FromIsciiStreamOptions {
  /** Called with each message as it is found, in input order. */
  onMessage?: (message: IsciiMessage) => void;
}

/** ISCII to UTF-8 as a byte stream, as pellam converts a file. */
export declare class FromIsciiStream extends TransformStream<ArrayBufferView | ArrayBufferLike, Uint8Array> {
  constructor(options?: FromIsciiStreamOptions);
  /** The messages found so far, in input order (the stream's own list: read it, do not change it). */
  readonly messages: readonly IsciiMessage[];
}
