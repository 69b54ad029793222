// placeholder until the decoder lands
namespace kestro {}
