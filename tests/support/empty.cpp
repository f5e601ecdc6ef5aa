// Keeps the support library non-empty while no helper source exists yet.
namespace kxtapi_test_support_anchor { int anchor = 0; }
