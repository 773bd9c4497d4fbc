/* A library with one known export, loaded by the platform layer's tests. */
#ifdef _WIN32
#define EXPORT __declspec(dllexport)
#else
#define EXPORT __attribute__((visibility("default")))
#endif

EXPORT int vx_fixture_answer(void) { return 42; }
