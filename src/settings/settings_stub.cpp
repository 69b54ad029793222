// placeholder until the settings store lands
namespace kestro {}
