/* The least an editor that holds the whole image in its own memory does to
 * load and save a file: reads it into freshly mapped memory (huge pages
 * advised, as the tile store does), writes it to a new file beside the
 * output in 4 MiB pieces, flushes that to disk and renames it over the
 * output. No decoding, no conversion: the floor under any such program's
 * load and save, next to `cat`, which holds nothing.
 *
 * Usage: hold_copy INPUT OUTPUT */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

enum { kPiece = 4 << 20 };

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: hold_copy INPUT OUTPUT\n");
        return 2;
    }
    int in = open(argv[1], O_RDONLY | O_CLOEXEC);
    if (in < 0) return perror(argv[1]), 1;
    off_t size = lseek(in, 0, SEEK_END);
    if (size <= 0) return fprintf(stderr, "%s: empty\n", argv[1]), 1;
    char* image = mmap(NULL, (size_t)size, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    char* piece = malloc(kPiece);
    if (image == MAP_FAILED || piece == NULL) return perror("memory"), 1;
    madvise(image, (size_t)size, MADV_HUGEPAGE);
    for (off_t at = 0; at < size; at += kPiece) {
        size_t n = size - at < kPiece ? (size_t)(size - at) : kPiece;
        if (pread(in, piece, n, at) != (ssize_t)n) return perror("read"), 1;
        memcpy(image + at, piece, n);
    }
    close(in);

    size_t length = strlen(argv[2]);
    char* temporary = malloc(length + 8);
    if (temporary == NULL) return perror("memory"), 1;
    snprintf(temporary, length + 8, "%s.hold", argv[2]);
    int out = open(temporary, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out < 0) return perror(temporary), 1;
    for (off_t at = 0; at < size; at += kPiece) {
        size_t n = size - at < kPiece ? (size_t)(size - at) : kPiece;
        memcpy(piece, image + at, n);
        if (write(out, piece, n) != (ssize_t)n) return perror("write"), 1;
    }
    if (fsync(out) != 0 || close(out) != 0) return perror("flush"), 1;
    if (rename(temporary, argv[2]) != 0) return perror("rename"), 1;
    return 0;
}
