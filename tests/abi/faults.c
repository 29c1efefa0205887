/* A DLL whose exports break the 32-bit cdecl convention the way a wrong
   declaration or attribute would: the ABI check must name each of them.
   faults.h says what a host believes of them, so it is not included here. */

/* The callee pops its arguments ("ret 8"), so a cdecl caller pops them twice. */
__declspec(dllexport) int __stdcall pops_arguments(int a, int b) { return a + b; }

/* Declared to return a double, but returns an int: nothing in st(0). */
__declspec(dllexport) int no_double(int a) { return a * 3; }

/* Declared to return an int, but leaves a double on the x87 stack. */
__declspec(dllexport) double stray_double(double a) { return a * 3.0; }

/* Right: the caller pops, and the double is in st(0). */
__declspec(dllexport) double right_double(double a) { return a * 3.0; }
