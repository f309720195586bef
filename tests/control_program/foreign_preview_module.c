/* A preview module of another interface version: the program must refuse to call into it. */
__attribute__((visibility("default"))) int kivoPreviewInterfaceVersion(void) {
    return 0;
}
__attribute__((visibility("default"))) int kivoPreviewRun(void) {
    return 1;
}
__attribute__((visibility("default"))) int kivoPreviewWriteReportPdf(void) {
    return 1;
}
