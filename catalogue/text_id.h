// The names of the catalogue's texts. Each names the Russian (even) id of
// its pair; the English text sits at the id after it (localizedId). The
// About item stands alone, English only. Every text the program shows or
// writes is named here once and by this name where it is used.
#pragma once

namespace strovel {

enum class TextId : int {
  AboutItem = 101,
  // The action names of the editor's action-type box.
  ReplaceName = 102,
  KeepLinesName = 104,
  DeleteLinesName = 106,
  ReplaceBetweenName = 108,
  SortByElementName = 110,
  SortDistinctName = 112,
  // The editor's controls.
  DeleteRuleButton = 114,
  AddRuleButton = 116,
  InsertRuleButton = 118,
  Pattern1Label = 120,
  Pattern2Label = 122,
  Pattern3Label = 124,
  FromStartLabel = 126,
  AfterPattern1Label = 128,
  CancelButton = 130,
  // The main window's controls.
  ProcessButton = 132,
  ExitButton = 134,
  DosCheck = 136,
  StatisticsCheck = 138,
  PatternNameMissing = 140,
  InputFileFilter = 142,
  // The statistics block: a format per action (%s the rule's texts, %d the
  // counts) and the line of SortDistinct's element report.
  ReplaceSummary = 144,
  KeepLinesSummary = 146,
  DeleteLinesSummary = 148,
  ReplaceBetweenSummary = 150,
  SortByElementSummary = 152,
  SortDistinctSummary = 154,
  ElementReportLine = 156,
  UnknownAction = 158,
  // Texts put directly after a path; each begins with a blank.
  NotCreated = 160,
  NoPatternFiles = 162,
  DoesNotOpen = 164,
  Saved = 166,
  PatternExists = 168,
  PatternFileFilter = 170,
  ChooseFile = 172,
  SaveChangesQuestion = 174,
  OnlineHelpAddress = 176,
  NewPatternButton = 178,
  EditorTitle = 180,
  ReplaceBetweenInFileName = 182,
  // The preview.
  PreviewCommand = 184,
  PreviewTitle = 186,
  WriteResultButton = 188,
  CloseButton = 190,
  PreviousChangeButton = 192,
  NextChangeButton = 194,
  ChangesStatus = 196,
  NoChangesStatus = 198,
  SortedStatus = 200,
  AligningStatus = 202,
  TooLargeToAlignStatus = 204,
  InputHeader = 206,
  ResultHeader = 208,
  TooLargeToCompare = 210,
  ProcessingStopped = 212,
  WholePatternStep = 214,
  RuleStep = 216,
  StepRunningStatus = 218,
};

}  // namespace strovel
