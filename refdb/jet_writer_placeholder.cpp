// Placeholder so that the library has a source until the writer lands.
namespace refdb_placeholder {
int unused = 0;
}
