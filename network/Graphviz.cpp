#include "network/Graphviz.h"

#include <gvc.h>

namespace network {

bool RenderSvg(const std::string& dot, std::string& svg, std::string& problem) {
  GVC_t* context = gvContext();
  Agraph_t* graph = agmemread(dot.c_str());
  bool drawn = false;
  if (!graph) {
    problem = "Graphviz could not read the graph";
  } else if (gvLayout(context, graph, "dot") != 0) {
    problem = "Graphviz could not lay out the graph";
  } else {
    char* data = nullptr;
    unsigned int length = 0;
    drawn = gvRenderData(context, graph, "svg", &data, &length) == 0 && data;
    if (drawn) svg.assign(data, length);
    if (!drawn) problem = "Graphviz could not draw the graph";
    gvFreeRenderData(data);
    gvFreeLayout(context, graph);
  }
  if (graph) agclose(graph);
  gvFreeContext(context);
  return drawn;
}

}  // namespace network

#if defined(__SANITIZE_ADDRESS__)
// Graphviz and the font library it loads keep caches for the life of the
// process; they are theirs, not leaks of ours.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libgvc.so\n";
}
#endif
