#include "emu/usb_tree.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <map>

namespace emu {

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::atomic<int> g_nextHandle{100};

class TreeHub : public platform::UsbHub {
  public:
    TreeHub(const UsbTree& tree, const TreeNode& node, std::shared_ptr<const Presence> presence)
        : tree_(tree), node_(node), presence_(std::move(presence)), handle_(g_nextHandle++) {}

    int Handle() const override { return handle_; }

    std::optional<unsigned> PortCount() override {
        if (node_.failNodeInfo) return std::nullopt;
        return node_.ports;
    }

    std::optional<platform::PortInfo> Port(unsigned port) override {
        if (port < 1 || port > node_.children.size()) return std::nullopt;
        platform::PortInfo info;
        if (const TreeNode* child = Child(port)) {
            info.connection = platform::PortConnection::Connected;
            info.isHub = child->type == TreeNode::Type::Hub;
        }
        return info;
    }

    std::optional<std::string> ConnectionName(unsigned port) override {
        const TreeNode* child = Child(port);
        if (child == nullptr) return std::nullopt;
        return child->type == TreeNode::Type::Hub ? UsbTree::HubPath(*child) : presence_->PathOf(*child);
    }

    std::optional<std::string> DriverKeyName(unsigned port) override {
        const TreeNode* child = Child(port);
        if (child == nullptr) return std::nullopt;
        return UsbTree::DriverKey(*child);
    }

  private:
    const TreeNode* Child(unsigned port) const {
        if (port < 1 || port > node_.children.size()) return nullptr;
        const int index = node_.children[port - 1];
        if (index < 0) return nullptr;
        const TreeNode& child = tree_.Nodes()[static_cast<std::size_t>(index)];
        return presence_->Present(child) ? &child : nullptr;
    }

    const UsbTree& tree_;
    const TreeNode& node_;
    std::shared_ptr<const Presence> presence_;  // owns the tree
    int handle_;
};

}  // namespace

std::string UsbTree::DriverKey(const TreeNode& node) {
    char key[32];
    std::snprintf(key, sizeof key, "bus/usb/%03u/%03u", node.bus, node.address);
    return key;
}

int UsbTree::Add(TreeNode node) {
    nodes_.push_back(std::move(node));
    return static_cast<int>(nodes_.size() - 1);
}

UsbTree::UsbTree(const BayConfig& config) {
    std::map<std::string, int> byId;  // lower-case instance id (or "usbN") -> node
    for (const RootHubConfig& root : config.roots) {
        TreeNode n;
        n.type = TreeNode::Type::Root;
        n.id = "usb" + std::to_string(root.bus);
        n.bus = root.bus;
        n.ports = root.ports;
        n.kind = root.kind;
        n.children.assign(root.ports, -1);
        const std::string id = n.id;
        byId[id] = Add(std::move(n));
    }
    auto attach = [&](TreeNode n) {
        const auto place = ParseUsbPlace(n.id);
        n.bus = place->bus;
        const std::string parent =
            place->ports.size() == 1 ? "usb" + std::to_string(place->bus) : Lower(n.id.substr(0, n.id.rfind('.')));
        const unsigned port = place->ports.back();
        const std::string id = Lower(n.id);
        n.id = id;
        const int index = Add(std::move(n));
        byId[id] = index;
        return std::make_pair(parent, std::make_pair(port, index));
    };
    std::vector<std::pair<std::string, std::pair<unsigned, int>>> links;
    for (const HubConfig& hub : config.hubs) {
        TreeNode n;
        n.type = TreeNode::Type::Hub;
        n.id = hub.id;
        n.ports = hub.ports;
        n.failNodeInfo = hub.failNodeInfo;
        n.children.assign(hub.ports, -1);
        links.push_back(attach(std::move(n)));
    }
    for (std::size_t i = 0; i < config.drives.size(); ++i) {
        TreeNode n;
        n.type = TreeNode::Type::Drive;
        n.id = config.drives[i].id;
        n.item = static_cast<int>(i);
        links.push_back(attach(std::move(n)));
    }
    for (std::size_t i = 0; i < config.boards.size(); ++i) {
        TreeNode n;
        n.type = TreeNode::Type::Board;
        n.id = config.boards[i].id;
        n.item = static_cast<int>(i);
        links.push_back(attach(std::move(n)));
    }
    for (const auto& [parent, link] : links) {
        nodes_[static_cast<std::size_t>(byId.at(parent))].children[link.first - 1] = link.second;
    }
    // Bus addresses in the order a bus would enumerate: depth first, the root hub being 1.
    std::map<unsigned, unsigned> next;
    auto number = [&](auto& self, int index) -> void {
        TreeNode& n = nodes_[static_cast<std::size_t>(index)];
        n.address = ++next[n.bus];
        for (int child : n.children) {
            if (child >= 0) self(self, child);
        }
    };
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
        if (nodes_[i].type == TreeNode::Type::Root) number(number, static_cast<int>(i));
    }
}

std::vector<platform::HubInterface> UsbTree::Hubs() const {
    std::vector<const TreeNode*> roots;
    std::vector<platform::HubInterface> hubs;
    for (const TreeNode& n : nodes_) {
        if (n.type == TreeNode::Type::Root) roots.push_back(&n);
    }
    std::stable_sort(roots.begin(), roots.end(), [](const TreeNode* a, const TreeNode* b) { return a->bus < b->bus; });
    for (const TreeNode* n : roots) hubs.push_back({HubPath(*n), n->kind});
    for (const TreeNode& n : nodes_) {
        if (n.type == TreeNode::Type::Hub) hubs.push_back({HubPath(n), platform::HubKind::External});
    }
    return hubs;
}

void UsbTree::Visit(int index, const Presence& presence, std::vector<platform::UsbDeviceNode>& out) const {
    const TreeNode& n = nodes_[static_cast<std::size_t>(index)];
    if (!presence.Present(n)) return;
    out.push_back({DriverKey(n), n.id});
    for (int child : n.children) {
        if (child >= 0) Visit(child, presence, out);
    }
}

std::vector<platform::UsbDeviceNode> UsbTree::DeviceNodes(const Presence& presence) const {
    std::vector<int> roots;
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
        if (nodes_[i].type == TreeNode::Type::Root) roots.push_back(static_cast<int>(i));
    }
    std::stable_sort(roots.begin(), roots.end(), [&](int a, int b) {
        return nodes_[static_cast<std::size_t>(a)].bus < nodes_[static_cast<std::size_t>(b)].bus;
    });
    std::vector<platform::UsbDeviceNode> out;
    for (int r : roots) Visit(r, presence, out);
    return out;
}

std::unique_ptr<platform::UsbHub> UsbTree::OpenHub(std::string_view path, std::shared_ptr<const Presence> presence,
                                                   int* error) const {
    for (const TreeNode& n : nodes_) {
        if ((n.type == TreeNode::Type::Root || n.type == TreeNode::Type::Hub) && HubPath(n) == path) {
            if (error != nullptr) *error = 0;
            return std::make_unique<TreeHub>(*this, n, std::move(presence));
        }
    }
    if (error != nullptr) *error = ENOENT;
    return nullptr;
}

const TreeNode* UsbTree::DriveNode(int drive) const {
    for (const TreeNode& n : nodes_) {
        if (n.type == TreeNode::Type::Drive && n.item == drive) return &n;
    }
    return nullptr;
}

const TreeNode* UsbTree::BoardNode(int board) const {
    for (const TreeNode& n : nodes_) {
        if (n.type == TreeNode::Type::Board && n.item == board) return &n;
    }
    return nullptr;
}

}  // namespace emu
