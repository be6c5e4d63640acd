// A library that holds nothing but its icon resources.
