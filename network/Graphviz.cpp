#include "network/Graphviz.h"

#include <gvc.h>

namespace network {
namespace {

// One context for the life of the process: Graphviz 2.43's text renderer keeps
// a pointer to the last font it measured, which freeing a context leaves
// dangling for the next one.
GVC_t* Context() {
  static GVC_t* const context = gvContext();
  return context;
}

// The callers escape router text before Graphviz sees it; a control character
// that still came through would make the document no XML at all.
void ReplaceWhatXmlForbids(std::string& svg) {
  std::string safe;
  safe.reserve(svg.size());
  for (char c : svg) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 && c != '\t' && c != '\n' && c != '\r') {
      safe += "\xEF\xBF\xBD";
    } else {
      safe += c;
    }
  }
  svg.swap(safe);
}

}  // namespace

Status RenderSvg(const std::string& dot, std::string& svg) {
  std::string problem;
  GVC_t* context = Context();
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
    if (drawn) {
      svg.assign(data, length);
      ReplaceWhatXmlForbids(svg);
    }
    if (!drawn) problem = "Graphviz could not draw the graph";
    gvFreeRenderData(data);
    gvFreeLayout(context, graph);
  }
  if (graph) agclose(graph);
  return drawn ? Status() : Status::Failure(problem);
}

}  // namespace network

#if defined(__SANITIZE_ADDRESS__)
// Graphviz and the font library it loads keep caches for the life of the
// process; they are theirs, not leaks of ours.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libgvc.so\n";
}
#endif
