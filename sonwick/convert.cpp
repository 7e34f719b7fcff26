#include "convert.hpp"

namespace sonwick {

int finddchar(lchar c)
{
    for (std::size_t r = 0; r < convcount; ++r)
        if (convlist[r].dchar == c)
            return static_cast<int>(r);
    return -1;
}

bool isinarray(lchar c, const lchar* list, int count)
{
    for (int i = 0; i < count; ++i)
        if (list[i] == c)
            return true;
    return false;
}

void start(state& st, std::FILE* in, std::FILE* out, std::size_t chunk)
{
    codec::open(st.in.bytes, in, chunk);
    st.in.il = st.in.ib = false;
    codec::open(st.out.bytes, out);
    st.in.bytes.drainfirst = &st.out.bytes;
    st.out.ol = st.out.ob = false;
    st.ctx = neutral;
    st.fastlane = true;
}

// One character: the "a" and colon its context asks for and its row's
// text, all worked out in advance and written as one fixed-size move, then
// the character itself when it has no row.
void puttch(state& st, lchar c)
{
    const dentry& e = entryof(c);
    const daction& a = e.act[st.ctx];
    codec::putshort(st.out.bytes, a.text);
    if (e.copy)
        codec::putuch(st.out, c);
    st.ctx = a.next;
}

void puttend(state& st)
{
    if (st.ctx == consfound || st.ctx == aspfound)
        codec::putbyte(st.out.bytes, 'a');
    st.ctx = neutral;
}

void process(state& st)
{
    // Every character is held back until the next one is read, so that a
    // consonant directly followed by the nukta sign can be read as the
    // precomposed consonant the two stand for.
    lchar held = codec::endofinput;
    while (!st.out.bytes.error) {
        if (st.fastlane && !entryof(held).nuktaform) {
            // No nukta sign can join the held character, so it is written
            // now, and the fast lane starts from an empty hand.
            if (held >= 0)
                puttch(st, held);
            held = codec::endofinput;
            fastlane(st);
        }
        lchar c = codec::getuch(st.in);
        if (c < 0)
            break;
        if (c == nuktasign && entryof(held).nuktaform) {
            held = entryof(held).nuktaform;
            continue;
        }
        if (held >= 0)
            puttch(st, held);
        held = c;
    }
    if (held >= 0 && !st.out.bytes.error)
        puttch(st, held);
    puttend(st);
}

} // namespace sonwick
