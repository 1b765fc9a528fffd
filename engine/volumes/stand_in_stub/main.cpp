/* A stand-in for the self-extractor stub in the builder's tests: a real program that does
   nothing, so that the peers accept what stands in front of the archive. */
int main() { return 0; }
