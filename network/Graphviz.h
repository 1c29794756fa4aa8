// Graphviz's language drawn as SVG in this process, through its library.
#ifndef NETWORK_GRAPHVIZ_H_
#define NETWORK_GRAPHVIZ_H_

#include <string>

namespace network {

// The SVG document of the `dot` graph, laid out by dot. False with `problem`
// set when Graphviz cannot read or draw it.
bool RenderSvg(const std::string& dot, std::string& svg, std::string& problem);

}  // namespace network

#endif  // NETWORK_GRAPHVIZ_H_
