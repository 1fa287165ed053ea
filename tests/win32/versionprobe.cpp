// An executable that only carries a version resource, or none, for the
// version reader to look at.
int main() {
    return 0;
}
