/* noop.exe [LINE]: a console program that does nothing, or only prints LINE.
 * Its start and end through the shell, under the same Wine, is the cost every
 * transfer pays for running ftp.exe; with LINE it also pays for the console
 * window's first output, which any client that reports what it does pays. */
#include <stdio.h>

int main(int argc, char** argv)
{
    if (argc > 1) puts(argv[1]);
    return 0;
}
