// exit_zero_helper, exit_one_helper: programs that only end with their
// status (EXIT_STATUS), the two builds the kill test installs in turn on
// every platform.

int main() { return EXIT_STATUS; }
