// placeholder until the capture component lands
namespace kestro {}
