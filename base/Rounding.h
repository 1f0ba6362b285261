#pragma once

// Every real-to-integer conversion of the program: nearest integer, halves to
// the even neighbour, from an extended-precision intermediate.
int Round(long double value);
