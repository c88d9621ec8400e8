/* A plain program that loads each library named on its command line by its
 * name alone, as any program may: the control case of the planted-DLL test
 * (under Windows' search order, a DLL beside the program is found first). */
#include <windows.h>

int main(int argc, char** argv)
{
    int i;
    for (i = 1; i < argc; ++i)
        LoadLibraryA(argv[i]);
    return 0;
}
