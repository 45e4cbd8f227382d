// The packaged pictures live in this library's Qt resources; this file only gives the
// library a translation unit of its own.
namespace zorvia {
int assetsLibraryAnchor() {
    return 0;
}
}  // namespace zorvia
