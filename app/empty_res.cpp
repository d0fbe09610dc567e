// Keeps the resource object library non-empty while the program has no dialog of its own.
namespace kelt { int app_resources_anchor = 0; }
