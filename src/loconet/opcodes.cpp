#include "opcodes.h"

#include "message.h"

namespace ln {

QString opcodeName(uint8_t opcode)
{
    switch (opcode) {
    case op::Busy: return QStringLiteral("OPC_BUSY");
    case op::GpOff: return QStringLiteral("OPC_GPOFF");
    case op::GpOn: return QStringLiteral("OPC_GPON");
    case op::Idle: return QStringLiteral("OPC_IDLE");
    case op::LocoSpd: return QStringLiteral("OPC_LOCO_SPD");
    case op::LocoDirf: return QStringLiteral("OPC_LOCO_DIRF");
    case op::LocoSnd: return QStringLiteral("OPC_LOCO_SND");
    case op::LocoF9F12: return QStringLiteral("OPC_LOCO_F9F12");
    case op::SwReq: return QStringLiteral("OPC_SW_REQ");
    case op::SwRep: return QStringLiteral("OPC_SW_REP");
    case op::InputRep: return QStringLiteral("OPC_INPUT_REP");
    case op::LongAck: return QStringLiteral("OPC_LONG_ACK");
    case op::SlotStat1: return QStringLiteral("OPC_SLOT_STAT1");
    case op::ConsistFunc: return QStringLiteral("OPC_CONSIST_FUNC");
    case op::UnlinkSlots: return QStringLiteral("OPC_UNLINK_SLOTS");
    case op::LinkSlots: return QStringLiteral("OPC_LINK_SLOTS");
    case op::MoveSlots: return QStringLiteral("OPC_MOVE_SLOTS");
    case op::RqSlData: return QStringLiteral("OPC_RQ_SL_DATA");
    case op::SwState: return QStringLiteral("OPC_SW_STATE");
    case op::SwAck: return QStringLiteral("OPC_SW_ACK");
    case op::LocoAdrAlt: return QStringLiteral("OPC_LOCO_ADR_ALT");
    case op::LocoAdr: return QStringLiteral("OPC_LOCO_ADR");
    case op::MultiSense: return QStringLiteral("OPC_MULTI_SENSE");
    case op::FnGroup: return QStringLiteral("OPC_FN_GROUP");
    case op::PanelResponse: return QStringLiteral("OPC_PANEL_RESPONSE");
    case op::PanelQuery: return QStringLiteral("OPC_PANEL_QUERY");
    case op::TrainId: return QStringLiteral("OPC_TRAIN_ID");
    case op::PeerXfer: return QStringLiteral("OPC_PEER_XFER");
    case op::SlRdDataExt: return QStringLiteral("OPC_SL_RD_DATA_EXT");
    case op::SlRdData: return QStringLiteral("OPC_SL_RD_DATA");
    case op::ImmPacket: return QStringLiteral("OPC_IMM_PACKET");
    case op::WrSlDataExt: return QStringLiteral("OPC_WR_SL_DATA_EXT");
    case op::WrSlData: return QStringLiteral("OPC_WR_SL_DATA");
    default: return QStringLiteral("Opcode %1").arg(hex(QByteArray(1, char(opcode))));
    }
}

} // namespace ln
