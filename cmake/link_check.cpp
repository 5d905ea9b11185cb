// The program of a layer's link check (cmake/Layers.cmake): the layer's objects are linked in
// whole beside it, so it only needs to exist.
int main() {
    return 0;
}
