#pragma once

#include <cstdint>

#include "engine/msg/message.h"
#include "engine/msg/property_tags.h"

// The properties of appointments and meeting messages, named as in the MAPI
// property list ([MS-OXPROPS]) and given with the types they are written as.
namespace mailvane::calendar {

constexpr msg::GuidBytes PSETID_Appointment = msg::MakeGuid(0x00062002, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46);
constexpr msg::GuidBytes PSETID_Meeting =
    msg::MakeGuid(0x6ED8DA90, 0x450B, 0x101B, 0x98, 0xDA, 0x00, 0xAA, 0x00, 0x3F, 0x13, 0x05);

struct NamedPropertyDefinition {
    msg::GuidBytes propertySet;
    std::uint32_t id;
    msg::PropType type;

    msg::PropertyName Name() const { return msg::PropertyName{propertySet, id}; }
};

// PSETID_Appointment.
constexpr NamedPropertyDefinition PidLidAppointmentSequence{PSETID_Appointment, 0x8201, msg::PropType::Int32};
constexpr NamedPropertyDefinition PidLidBusyStatus{PSETID_Appointment, 0x8205, msg::PropType::Int32};
constexpr NamedPropertyDefinition PidLidFExceptionalBody{PSETID_Appointment, 0x8206, msg::PropType::Boolean};
constexpr NamedPropertyDefinition PidLidLocation{PSETID_Appointment, 0x8208, msg::PropType::String};
constexpr NamedPropertyDefinition PidLidAppointmentStartWhole{PSETID_Appointment, 0x820D, msg::PropType::Time};
constexpr NamedPropertyDefinition PidLidAppointmentEndWhole{PSETID_Appointment, 0x820E, msg::PropType::Time};
constexpr NamedPropertyDefinition PidLidAppointmentDuration{PSETID_Appointment, 0x8213, msg::PropType::Int32};
constexpr NamedPropertyDefinition PidLidAppointmentSubType{PSETID_Appointment, 0x8215, msg::PropType::Boolean};
constexpr NamedPropertyDefinition PidLidAppointmentRecur{PSETID_Appointment, 0x8216, msg::PropType::Binary};
constexpr NamedPropertyDefinition PidLidAppointmentStateFlags{PSETID_Appointment, 0x8217, msg::PropType::Int32};
constexpr NamedPropertyDefinition PidLidResponseStatus{PSETID_Appointment, 0x8218, msg::PropType::Int32};
constexpr NamedPropertyDefinition PidLidRecurring{PSETID_Appointment, 0x8223, msg::PropType::Boolean};
constexpr NamedPropertyDefinition PidLidIntendedBusyStatus{PSETID_Appointment, 0x8224, msg::PropType::Int32};
constexpr NamedPropertyDefinition PidLidExceptionReplaceTime{PSETID_Appointment, 0x8228, msg::PropType::Time};
constexpr NamedPropertyDefinition PidLidFInvited{PSETID_Appointment, 0x8229, msg::PropType::Boolean};
constexpr NamedPropertyDefinition PidLidFExceptionalAttendees{PSETID_Appointment, 0x822B, msg::PropType::Boolean};
constexpr NamedPropertyDefinition PidLidRecurrenceType{PSETID_Appointment, 0x8231, msg::PropType::Int32};
constexpr NamedPropertyDefinition PidLidTimeZoneStruct{PSETID_Appointment, 0x8233, msg::PropType::Binary};
constexpr NamedPropertyDefinition PidLidTimeZoneDescription{PSETID_Appointment, 0x8234, msg::PropType::String};
constexpr NamedPropertyDefinition PidLidClipStart{PSETID_Appointment, 0x8235, msg::PropType::Time};
constexpr NamedPropertyDefinition PidLidClipEnd{PSETID_Appointment, 0x8236, msg::PropType::Time};
constexpr NamedPropertyDefinition PidLidAllAttendeesString{PSETID_Appointment, 0x8238, msg::PropType::String};
constexpr NamedPropertyDefinition PidLidToAttendeesString{PSETID_Appointment, 0x823B, msg::PropType::String};
constexpr NamedPropertyDefinition PidLidCcAttendeesString{PSETID_Appointment, 0x823C, msg::PropType::String};
constexpr NamedPropertyDefinition PidLidAppointmentProposedStartWhole{PSETID_Appointment, 0x8250, msg::PropType::Time};
constexpr NamedPropertyDefinition PidLidAppointmentProposedEndWhole{PSETID_Appointment, 0x8251, msg::PropType::Time};
constexpr NamedPropertyDefinition PidLidAppointmentProposedDuration{PSETID_Appointment, 0x8256, msg::PropType::Int32};
constexpr NamedPropertyDefinition PidLidAppointmentCounterProposal{PSETID_Appointment, 0x8257, msg::PropType::Boolean};
constexpr NamedPropertyDefinition PidLidAppointmentNotAllowPropose{PSETID_Appointment, 0x825A, msg::PropType::Boolean};
constexpr NamedPropertyDefinition PidLidAppointmentTimeZoneDefinitionStartDisplay{PSETID_Appointment, 0x825E,
                                                                                  msg::PropType::Binary};
constexpr NamedPropertyDefinition PidLidAppointmentTimeZoneDefinitionEndDisplay{PSETID_Appointment, 0x825F,
                                                                                msg::PropType::Binary};
constexpr NamedPropertyDefinition PidLidAppointmentTimeZoneDefinitionRecur{PSETID_Appointment, 0x8260,
                                                                           msg::PropType::Binary};
constexpr NamedPropertyDefinition PidLidInboundICalStream{PSETID_Appointment, 0x827A, msg::PropType::Binary};
constexpr NamedPropertyDefinition PidLidSingleBodyICal{PSETID_Appointment, 0x827B, msg::PropType::Boolean};

// PSETID_Meeting.
constexpr NamedPropertyDefinition PidLidAttendeeCriticalChange{PSETID_Meeting, 0x0001, msg::PropType::Time};
constexpr NamedPropertyDefinition PidLidWhere{PSETID_Meeting, 0x0002, msg::PropType::String};
constexpr NamedPropertyDefinition PidLidGlobalObjectId{PSETID_Meeting, 0x0003, msg::PropType::Binary};
constexpr NamedPropertyDefinition PidLidIsSilent{PSETID_Meeting, 0x0004, msg::PropType::Boolean};
constexpr NamedPropertyDefinition PidLidIsRecurring{PSETID_Meeting, 0x0005, msg::PropType::Boolean};
constexpr NamedPropertyDefinition PidLidIsException{PSETID_Meeting, 0x000A, msg::PropType::Boolean};
constexpr NamedPropertyDefinition PidLidStartRecurrenceDate{PSETID_Meeting, 0x000D, msg::PropType::Int32};
constexpr NamedPropertyDefinition PidLidStartRecurrenceTime{PSETID_Meeting, 0x000E, msg::PropType::Int32};
constexpr NamedPropertyDefinition PidLidEndRecurrenceDate{PSETID_Meeting, 0x000F, msg::PropType::Int32};
constexpr NamedPropertyDefinition PidLidEndRecurrenceTime{PSETID_Meeting, 0x0010, msg::PropType::Int32};
constexpr NamedPropertyDefinition PidLidOwnerCriticalChange{PSETID_Meeting, 0x001A, msg::PropType::Time};
constexpr NamedPropertyDefinition PidLidCleanGlobalObjectId{PSETID_Meeting, 0x0023, msg::PropType::Binary};
constexpr NamedPropertyDefinition PidLidAppointmentMessageClass{PSETID_Meeting, 0x0024, msg::PropType::String};
constexpr NamedPropertyDefinition PidLidMeetingType{PSETID_Meeting, 0x0026, msg::PropType::Int32};

// PSETID_Common.
constexpr NamedPropertyDefinition PidLidReminderDelta{msg::PSETID_Common, 0x8501, msg::PropType::Int32};
constexpr NamedPropertyDefinition PidLidReminderTime{msg::PSETID_Common, 0x8502, msg::PropType::Time};
constexpr NamedPropertyDefinition PidLidReminderSet{msg::PSETID_Common, 0x8503, msg::PropType::Boolean};
constexpr NamedPropertyDefinition PidLidCommonStart{msg::PSETID_Common, 0x8516, msg::PropType::Time};
constexpr NamedPropertyDefinition PidLidCommonEnd{msg::PSETID_Common, 0x8517, msg::PropType::Time};
constexpr NamedPropertyDefinition PidLidReminderSignalTime{msg::PSETID_Common, 0x8560, msg::PropType::Time};

// Tagged properties of calendar objects and their recipients.
constexpr std::uint32_t PidTagStartDate = 0x00600040;
constexpr std::uint32_t PidTagEndDate = 0x00610040;
constexpr std::uint32_t PidTagResponseRequested = 0x0063000B;
constexpr std::uint32_t PidTagReplyRequested = 0x0C17000B;
constexpr std::uint32_t PidTagRecipientFlags = 0x5FFD0003;
constexpr std::uint32_t PidTagRecipientTrackStatus = 0x5FFF0003;

// The attachment that holds an exception of a series ([MS-OXOCAL] 2.2.10.1).
constexpr std::uint32_t PidTagAttachEncoding = 0x37020102;
constexpr std::uint32_t PidTagExceptionReplaceTime = 0x7FF90040;
constexpr std::uint32_t PidTagAttachmentLinkId = 0x7FFA0003;
constexpr std::uint32_t PidTagExceptionStartTime = 0x7FFB0040;
constexpr std::uint32_t PidTagExceptionEndTime = 0x7FFC0040;
constexpr std::uint32_t PidTagAttachmentFlags = 0x7FFD0003;
constexpr std::int32_t afException = 0x00000002;
// The class of the message in it (2.2.10.2.1).
inline constexpr char16_t kExceptionMessageClass[] = u"IPM.OLE.CLASS.{00061055-0000-0000-C000-000000000046}";

// Values.
constexpr std::int32_t asfMeeting = 0x00000001;
constexpr std::int32_t asfReceived = 0x00000002;
constexpr std::int32_t asfCanceled = 0x00000004;
constexpr std::int32_t respNone = 0;
constexpr std::int32_t respTentative = 2;
constexpr std::int32_t respAccepted = 3;
constexpr std::int32_t respDeclined = 4;
constexpr std::int32_t respNotResponded = 5;
constexpr std::int32_t mtgRequest = 0x00000001;
constexpr std::int32_t mtgFull = 0x00010000;
constexpr std::int32_t recipSendable = 0x00000001;
constexpr std::int32_t recipOrganizer = 0x00000002;
constexpr std::int32_t olFree = 0;
constexpr std::int32_t olTentative = 1;
constexpr std::int32_t olBusy = 2;
constexpr std::int32_t olOutOfOffice = 3;
constexpr std::int32_t olWorkingElsewhere = 4;

}  // namespace mailvane::calendar
