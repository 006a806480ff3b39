// Keeps the library non-empty while the folder holds headers only.
namespace brelk { [[maybe_unused]] static const int postconditions_module = 0; }
