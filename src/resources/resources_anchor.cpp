// The resources library carries compiled-in files only; this unit gives the
// static library a translation unit of its own.
namespace orv::resources {
int anchor = 0;
}
