# The static library build passes the same tests.
cmake --workflow --preset static
