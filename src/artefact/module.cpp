// Keeps the library non-empty while the folder holds headers only.
namespace brelk { [[maybe_unused]] static const int artefact_module = 0; }
