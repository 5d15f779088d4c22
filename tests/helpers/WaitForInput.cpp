// wait_helper: runs until its standard input ends, then ends with success.
// The update's tests move and replace its file while it runs. Plain C++ and,
// on Windows, linked statically, so that a copy runs in any folder.
#include <cstdio>

int main()
{
    while (std::getchar() != EOF) {
    }
    return 0;
}
