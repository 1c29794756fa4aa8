// Graphviz's language drawn as SVG in this process, through its library.
#ifndef NETWORK_GRAPHVIZ_H_
#define NETWORK_GRAPHVIZ_H_

#include <string>

#include "status/Status.h"

namespace network {

// The SVG document of the `dot` graph, laid out by dot; fails when Graphviz
// cannot read or draw it.
Status RenderSvg(const std::string& dot, std::string& svg);

}  // namespace network

#endif  // NETWORK_GRAPHVIZ_H_
