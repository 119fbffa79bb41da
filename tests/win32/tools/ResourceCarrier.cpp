// A Windows program that carries the resources of kestrel.exe (app/kestrel.rc): the Linux build
// cannot build kestrel.exe itself (no Qt for Windows here), so the tests read its icon and
// version record from this one.
int main() {
    return 0;
}
