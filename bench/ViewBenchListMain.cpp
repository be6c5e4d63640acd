// The list half of the view benchmark as a program of its own.
void RunListBench();

int main() {
  RunListBench();
  return 0;
}
