#include <cstdio>
int main() { std::puts("kelv"); return 0; }
