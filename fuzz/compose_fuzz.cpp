// Roman text drawn from the fuzz bytes (ASCII, Latin letters, combining
// marks after a letter) converts to the same bytes in Unicode normal form C
// and in normal form D, under every option set and input form, in every
// scheme (accent marks on vowels among them).
#include "harness.hpp"
#include "kavrel/convert.hpp"
#include "schemes.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Letters of the transliteration, which meet the tables, among the others.
constexpr char32_t letters[] = {
    U'a', U'i', U'u', U'e', U'o', U'k', U'g', U'h', U't', U'd', U'r', U'l', U'm', U'n', U's',
    0x0101, 0x012B, 0x016B, 0x1E6D, 0x1E0D, 0x1E47, 0x015B, 0x1E63, 0x1E41, 0x1E25, 0x00F1,
    0x1E45, 0x013A, 0x0155, 0x00EA, 0x00F4, 0x1E49, 0x1E3B, 0x1E8F, 0x00E1, 0x01D6, 0x01EF,
    0x0113, 0x014D, 0x1E43, 0x1E37, 0x1E5B, 0x1E5F, 0x00ED, 0x00E0, 0x2019,
};

// The most marks that follow a letter in normal form D.
int longestrun(const std::string& text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    int run = 0, longest = 0;
    for (std::size_t i = 0; i < text.size();) {
        unsigned char b = p[i];
        int len = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        kavrel::lchar c = b < 0x80 ? b : b < 0xE0 ? (b & 0x1F) << 6 | (p[i + 1] & 0x3F)
                                                 : (b & 0x0F) << 12 | (p[i + 1] & 0x3F) << 6 | (p[i + 2] & 0x3F);
        run = len < 4 && compose::combiningclass(c) != 0 ? run + 1 : 0;
        longest = run > longest ? run : longest;
        i += static_cast<std::size_t>(len);
    }
    return longest;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The first byte draws the options, the second the scheme.
    if (size < 2)
        return 0;
    lipisetu::romanoptions opt = harness::optionsof(data[0]);
    opt.scheme = static_cast<lipisetu::scheme>(data[1] % schemes::count);
    std::u32string text;
    bool afterletter = false;
    for (std::size_t i = 2; i + 1 < size; i += 2) {
        unsigned kind = data[i] & 3, v = data[i + 1];
        char32_t c;
        if (kind == 0) {
            c = 0x20 + v % 95; // printable ASCII; a line feed for the tilde
            c = c == U'~' ? U'\n' : c;
        } else if (kind == 1) {
            c = letters[v % std::size(letters)];
        } else if (kind == 2) {
            c = (data[i] & 4 ? 0x1E00 : 0x00C0) + (v | (data[i] & 0xF8) << 5) % (data[i] & 4 ? 0x100 : 0x1F0);
        } else {
            if (!afterletter)
                continue; // marks only after a letter
            c = 0x0300 + v % 0x70;
        }
        text += c;
        afterletter = kind != 0 && (kind == 3 || kavrel::latinletter(static_cast<kavrel::lchar>(c)));
    }
    std::string composed = harness::nfc(harness::utf8(text)), decomposed = harness::nfd(composed);
    if (longestrun(decomposed) > compose::maxmarks)
        return 0;
    // The text in the input form the options name: itself, or UTF-16 in the byte order of -il or -ib.
    const codec::formrow& form = codec::rowof(static_cast<vocab::form>(opt.input));
    auto asinput = [&](const std::string& t) { return form.width == 1 ? t : harness::utf16(t, form.little); };
    std::string fromnfc = harness::kavrelconvert(opt, asinput(composed));
    std::string fromnfd = harness::kavrelconvert(opt, asinput(decomposed));
    if (fromnfc != fromnfd) {
        std::fprintf(stderr, "scheme: %s\nnfc: %s\nnfd: %s\n", std::string(lipisetu::nameof(opt.scheme)).c_str(),
                     harness::hex(composed).c_str(), harness::hex(decomposed).c_str());
        std::abort();
    }
    return 0;
}
