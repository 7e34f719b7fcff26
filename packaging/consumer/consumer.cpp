// Each conversion once, from memory and through a stream.
#include <lipisetu.hpp>

#include <cstdio>
#include <iostream>

int main()
{
    std::cout << lipisetu::todevanagari("tat tvam asi", {.sanskrit = true}) << '\n';
    std::cout << lipisetu::toroman("\u0928\u092E\u0938\u094D\u0924\u0947") << '\n'; // namaste
    lipisetu::isciitext t = lipisetu::fromiscii("\xB3\xE9\xD1\xCC a\xA0" "b");
    std::cout << t.text << '\n';
    for (const lipisetu::isciimessage& m : t.messages)
        std::cout << "byte " << m.offset << ": " << lipisetu::describe(m);
    // Standard input to standard output, as kavrel. (The sink flushes
    // what was written through the stream before it.)
    lipisetu::status s = lipisetu::convertroman(lipisetu::filesource(stdin), lipisetu::filesink(stdout));
    return lipisetu::ok(s) ? 0 : 1;
}
