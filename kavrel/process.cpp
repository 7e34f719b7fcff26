// The driver of one conversion: options, the input and output forms, the
// byte-order marks, and the loop of unit reader and syllable writer.
#include "convert.hpp"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <cstring>
#include <iterator>

namespace kavrel {

namespace {

// The options, matched as whole arguments. A later option of the same
// group overrides an earlier one: setting a form clears the others of its
// side.
enum class group { input, output, alone };

struct optionrow {
    const char* name;
    bool options::*flag;
    group side;
};

constexpr optionrow optionlist[] = {
    {"-ib", &options::ib, group::input},  {"-il", &options::il, group::input},
    {"-iu", &options::iu, group::input},  {"-ob", &options::ob, group::output},
    {"-ol", &options::ol, group::output}, {"-ou", &options::ou, group::output},
    {"-n", &options::dnnum, group::alone}, {"-s", &options::skt, group::alone},
};

} // namespace

request parseargs(int argc, char** argv, options& opt, const char*& file)
{
    file = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        // Every argument after the file name is ignored, options and
        // answers included.
        if (a[0] != '-') {
            file = a;
            return request::convert;
        }
        if (!std::strcmp(a, "-"))
            return request::convert;
        if (!std::strcmp(a, "--help"))
            return request::help;
        if (!std::strcmp(a, "--version"))
            return request::version;
        const optionrow* row = std::find_if(std::begin(optionlist), std::end(optionlist),
                                            [a](const optionrow& r) { return !std::strcmp(a, r.name); });
        if (row == std::end(optionlist))
            return request::badoption;
        if (row->side == group::input)
            opt.il = opt.ib = opt.iu = false;
        else if (row->side == group::output)
            opt.ol = opt.ob = opt.ou = false;
        opt.*row->flag = true;
    }
    return request::convert;
}

bool start(state& st, const options& opt, std::FILE* in, std::FILE* out)
{
    st.opt = opt;
    st.in.il = opt.il;
    st.in.ib = opt.ib;
    st.out.ol = opt.ol;
    st.out.ob = opt.ob;
    codec::open(st.in.bytes, in);
    codec::open(st.out.bytes, out);
    st.in.bytes.drainfirst = &st.out.bytes;
    st.ch.pos = st.ch.len = 0;
    // The compositions made lately are kept: each is that of its run in
    // any conversion, and clearing them would cost a state reused for
    // short texts more than its conversion.
    st.queuedtch = tchar{};
    st.queued = false;
    st.sylstate = SYL_VOWEL;
    st.fastlane = true;
    st.dict = nullptr;
    st.lanes = nullptr;
    // A vocabulary of the options is made here, so that a dictionary that
    // cannot be filled is known before anything is read. It is asked for
    // with the state's own output, whose form flags are set above: a
    // codec::output made for the call would clear a 128 KiB buffer on
    // every conversion.
    return vocabularyfor(opt, st.out) != nullptr;
}

const vocabulary* vocabularyfor(const options& opt, const codec::output& out)
{
    // One for each of -s, -n and the three output forms, made when first
    // asked for; the options of the input form do not change it.
    constexpr int kinds = 2 * 2 * 3;
    static std::once_flag once[kinds];
    static std::unique_ptr<vocabulary> made[kinds];
    // Once made, a vocabulary is found with one atomic load, not through
    // call_once, which calls into the C library each time: a conversion of
    // a word asks twice.
    static std::atomic<const vocabulary*> ready[kinds];
    int form = out.ol ? 1 : out.ob ? 2 : 0;
    int k = (opt.skt * 2 + opt.dnnum) * 3 + form;
    if (const vocabulary* v = ready[k].load(std::memory_order_acquire))
        return v;
    std::call_once(once[k], [&] {
        auto v = std::make_unique<vocabulary>();
        if (!fill(v->dict, opt))
            return;
        encode(v->dict, out);
        lane::prepare(v->lanes, v->dict, opt, out);
        made[k] = std::move(v);
        ready[k].store(made[k].get(), std::memory_order_release);
    });
    return made[k].get();
}

namespace {

// Settles the input form from the options and a byte-order mark, which is
// taken from the input; the first character itself stays there to be read.
// False when the input ends before a whole first character: then nothing at
// all is written.
bool readfirst(state& st)
{
    codec::input& in = st.in;
    codec::bytein& b = in.bytes;
    codec::ensure(b, 2);
    std::size_t there = b.len - b.pos;
    if (there == 0)
        return false;
    int b1 = b.buf[b.pos];
    int b2 = there > 1 ? b.buf[b.pos + 1] : -1;
    bool forced = st.opt.il || st.opt.ib || st.opt.iu;

    // A mark is taken whether or not an option overrides it.
    if (b1 == 0xFF && b2 == 0xFE) {
        if (!forced)
            in.il = true, in.ib = false;
        b.pos += 2;
        return true;
    }
    if (b1 == 0xFE && b2 == 0xFF) {
        if (!forced)
            in.ib = true, in.il = false;
        b.pos += 2;
        return true;
    }
    if (in.il || in.ib)
        return b2 >= 0;
    if (b1 < 0x80)
        return true;
    int tail = codec::utf8tail(b1);
    if (!codec::ensure(b, 1 + static_cast<std::size_t>(tail)))
        return false;
    // A UTF-8 byte-order mark is skipped and never written. Only the
    // three-byte form is taken for one: two bytes cannot make it, and four
    // make it only as an overlong form.
    lchar c = codec::utf8value(b1, b.buf + b.pos + 1);
    if (tail == 2 && (c == 0xFEFF || c == 0xFFFE))
        b.pos += 3;
    return true;
}

} // namespace

void process(state& st)
{
    if (!readfirst(st))
        return;
    // Without an output option the output takes the input's form.
    if (!st.opt.ob && !st.opt.ol && !st.opt.ou) {
        st.out.ob = st.in.ib;
        st.out.ol = st.in.il;
    }
    const vocabulary* v = vocabularyfor(st.opt, st.out);
    if (!v)
        return; // never: start made one of the same size
    st.dict = &v->dict;
    st.lanes = &v->lanes;
    if (st.out.ol) {
        codec::putbyte(st.out.bytes, 0xFF);
        codec::putbyte(st.out.bytes, 0xFE);
    } else if (st.out.ob) {
        codec::putbyte(st.out.bytes, 0xFE);
        codec::putbyte(st.out.bytes, 0xFF);
    }
    tchar unit;
    do {
        if (st.fastlane && !st.queued)
            fastlane(st);
        gettch(st, unit);
    } while (putdch(st, unit) >= 0 && !st.out.bytes.error);
}

} // namespace kavrel
