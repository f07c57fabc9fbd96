/* A loadable library that exports no source manager entry point. */
int tessaryNoEntry(void) {
    return 0;
}
