// Commands whose operations are not built yet: their controls do nothing.
// Each moves to its subsystem's folder when that subsystem lands.
#include "app/pribor.h"

#include <QTimer>

void Pribor::zapis_Click() {}
void Pribor::Stopbiton_Click() {}
void Pribor::SaveBiton_Click() {}
void Pribor::Timer1_Timer() {}
void Pribor::TimerIndikator_Timer() {}
void Pribor::TimeMenu_Click() {}
void Pribor::RasTime_Click() {}
void Pribor::U1_Click() {}
void Pribor::U2_Click() {}
void Pribor::VScroll1_Change() {}
void Pribor::VScroll2_Change() {}
void Pribor::HScroll1_Change() {}
void Pribor::OpenWav_Click() {}
void Pribor::SaveFileBiton_Click() {}
void Pribor::PrintBiton_Click() {}
void Pribor::PrintMenu_Click() {}
void Pribor::Uroven_Click() {}
void Pribor::FeedLevelMeter() {}
void Pribor::Timer3_Timer() { Timer3->stop(); }
void Pribor::SpravMenu_Click() {}
void Pribor::OProgMenu_Click() {}
void Pribor::Form_Resize() {}
