// Unicode Devanagari (UTF-8) to Roman (UTF-8) in one of the romanisations,
// in one pass over a stream of any length.
#pragma once

#include "codec.hpp"
#include "engine.hpp"
#include "scripts.hpp"
#include "tables.hpp"

#include <cstddef>

namespace sonwick {

// The fast lane over another script's block, for one scheme: the lane's
// steps as the Devanagari lane's are laid out (the same contexts, the ASCII
// characters' the same), the block's characters in place of Devanagari's,
// each writing what the Devanagari it stands for writes; and for each
// slot, the characters that after it make one letter with it (their bits
// in `starts`) and its own bit among those (`follows`). See fastlane.cpp.
struct slotbits {
    std::uint8_t starts = 0, follows = 0;
    std::uint8_t signs = 0; // for a vowel sign or virama (see fastlane.cpp)
};
struct blocklane {
    const lanestep* lanes = nullptr; // contexts * laneslots steps
    slotbits bits[laneslots];
    // A Tamil stop with a superscript 1 to 4 after it or its sign: the
    // Devanagari slot of the letter it reads as, or 0.
    std::uint8_t supers[laneslots][4] = {};
    bool tamil = false; // a superscript is read in the lane
    bool nukta = false; // the block has a nukta, at Devanagari's place
};
// The eight other blocks, U+0980 to U+0D7F, each 128 code points.
constexpr std::size_t otherblocks = 8;
// The lane over block b (1 to 8) for scheme k, made when first asked
// for; null when there was no memory for it.
const blocklane* blocklanefor(std::size_t scheme, std::size_t block);

// One conversion's state: the streams, the scheme's writer, and the
// context the writer keeps between two characters.
struct state {
    codec::input in;
    codec::output out;
    const writer* w = nullptr;
    std::uint8_t ctx = 0;
    // Runs of ASCII and of the Devanagari block go through the fast lane,
    // which writes what the general way writes, straight from the byte
    // buffers. Off, every character takes the general way.
    bool fastlane = true;
    // The character read last and not yet written: a nukta sign after it
    // may still join it. Input handed over in pieces stops the conversion
    // wherever a piece runs out, and the next piece goes on from there.
    codec::lchar held = codec::endofinput;
    bool done = false; // the input has ended, all is written and the sink flushed
    // Text in the other scripts' blocks is read as the Devanagari it stands
    // for, which then goes the way Devanagari goes; while the reader keeps
    // characters back, every character goes through it, in turn. The fast
    // lane reads it too, where it stands for Devanagari the lane knows.
    scripts::reader reader;
    std::uint8_t scheme = 0;
};

// Converts the input as far as the pieces so far allow, and to its end
// once it has ended. Stops early only when a write fails; the error is
// left in st.out.bytes.
void process(state& st);

// Converts characters straight from the input buffer while each one is
// ASCII or a whole three-byte character of the block, and stops before the
// first that is not, with the context where the general way goes on. Called
// with no character held back, and leaves none. Never reads: what is left
// in the buffer is left to the general way.
void fastlane(state& st);

// Writes the Roman text of one character and moves the context on.
void puttch(state& st, codec::lchar c);

// Ends the text: a consonant still pending gets its inherent vowel.
void puttend(state& st);

} // namespace sonwick
