/* What a host believes of the exports of faults.c. */
int pops_arguments(int a, int b);
double no_double(int a);
int stray_double(double a);
double right_double(double a);
