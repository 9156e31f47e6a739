// The virtual USB tree of a bay: root hubs, hubs, drives and boards on numbered ports, with the
// bus addresses a real bus would give them. The shape is fixed when the bay is loaded; whether a
// drive or board is plugged in is asked of the bay each time.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "emu/bay_config.h"
#include "platform/usb.h"

namespace emu {

struct TreeNode {
    enum class Type { Root, Hub, Drive, Board };
    Type type = Type::Root;
    std::string id;  // "usb1" for a root hub, else the instance id "1-1.3"
    unsigned bus = 0;
    unsigned address = 0;  // device number on the bus
    unsigned ports = 0;    // hubs only
    int item = -1;         // index into the bay's drives or boards
    bool failNodeInfo = false;
    platform::HubKind kind = platform::HubKind::External;
    std::vector<int> children;  // by port - 1: node index, or -1
};

class Presence {
  public:
    virtual ~Presence() = default;
    // Whether the drive or board of a node is plugged in (hubs always are).
    virtual bool Present(const TreeNode& node) const = 0;
    // The pass-through or HID path of a drive or board node.
    virtual std::string PathOf(const TreeNode& node) const = 0;
};

class UsbTree {
  public:
    // `config` must have passed ParseBayConfig's checks.
    explicit UsbTree(const BayConfig& config);

    const std::vector<TreeNode>& Nodes() const { return nodes_; }
    // Root hubs by bus, then the other hubs in the order of the description.
    std::vector<platform::HubInterface> Hubs() const;
    // Present device nodes, depth first from the root hubs.
    std::vector<platform::UsbDeviceNode> DeviceNodes(const Presence& presence) const;
    // Null and ENOENT when `path` names no hub. The handle keeps `presence` (the owner of this tree) alive.
    std::unique_ptr<platform::UsbHub> OpenHub(std::string_view path, std::shared_ptr<const Presence> presence,
                                              int* error) const;
    // The node of a drive or board, by its index.
    const TreeNode* DriveNode(int drive) const;
    const TreeNode* BoardNode(int board) const;

    static std::string HubPath(const TreeNode& node) { return "emu:hub/" + node.id; }
    static std::string DriverKey(const TreeNode& node);

  private:
    int Add(TreeNode node);
    void Visit(int index, const Presence& presence, std::vector<platform::UsbDeviceNode>& out) const;

    std::vector<TreeNode> nodes_;
};

}  // namespace emu
