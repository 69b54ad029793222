// placeholder until the race engine lands
namespace kestro {}
