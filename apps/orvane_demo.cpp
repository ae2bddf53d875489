#include <cstdio>

int main() {
    std::printf("orvane demo\n");
    return 0;
}
