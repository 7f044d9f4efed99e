// Hosts the precompiled header that the test executables share; it runs nothing.
int main() {
  return 0;
}
