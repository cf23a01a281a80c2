{ Compiles an HTML Help project (.hhp) into a compiled help file (.chm) with Free Pascal's CHM units:
  the [FILES], the title, the default topic and the context map ([MAP] numbers of [ALIAS] topics,
  which HTML Help's HH_HELP_CONTEXT looks up).

  Debian's chmcmd (Free Pascal 3.2.2) reads the same project but writes each mapped topic into the
  context map as the absolute path of the project folder on the build machine
  ("/home/.../topic1000.html"), which names no page inside the file, so HTML Help opens nothing for
  the context number. This program writes the topic as its name inside the file ("topic1000.html").

  The writer stamps the time of day into the file twice (the ITSF header and #SYSTEM entry 10); both
  are set to 0 so that the same pages always give the same bytes.

  Usage: hhp2chm PROJECT.hhp OUTPUT.chm        exit code 0 when written, 1 on any error }
program hhp2chm;

{$mode objfpc}{$H+}

uses
  Classes, SysUtils, chmbase, chmfilewriter, chmwriter, chmreader;

type
  { Hands the writer each file of the project, read from the project's folder. }
  TProjectFiles = class
    Folder: String;
    function GetData(const DataName: String; out PathInChm: String; out FileName: String;
      var Stream: TStream): Boolean;
  end;

function TProjectFiles.GetData(const DataName: String; out PathInChm: String;
  out FileName: String; var Stream: TStream): Boolean;
begin
  TMemoryStream(Stream).LoadFromFile(Folder + DataName);
  FileName := ExtractFileName(DataName);
  PathInChm := '/' + ExtractFilePath(DataName);
  Result := False;
end;

const
  TimeStampOffset = $10;    // ITSF header: time of day, 4 bytes
  Section0Offset = $58;     // ITSF header: where content section 0 starts, 8 bytes
  SystemTimeEntry = 10;     // #SYSTEM: after its version (4 bytes), entry 10 (code, length 4, time)

{ Sets both time stamps to 0. Fails loudly when the file is not laid out as expected. }
procedure ClearTimeStamps(Chm: TMemoryStream);
var
  Reader: TChmReader;
  Entry: TPMGListChunkEntry;
  Start: QWord;
  Bytes: PByte;
begin
  Bytes := Chm.Memory;
  FillChar(Bytes[TimeStampOffset], 4, 0);
  Reader := TChmReader.Create(Chm, False);
  try
    if Reader.ObjectExists('/#SYSTEM') = 0 then
      raise Exception.Create('the written file has no #SYSTEM');
    Entry := Reader.CachedEntry;
  finally
    Reader.Free;
  end;
  if Entry.ContentSection <> 0 then
    raise Exception.Create('#SYSTEM is compressed');
  Start := PQWord(@Bytes[Section0Offset])^ + Entry.ContentOffset;
  if (PWord(@Bytes[Start + 4])^ <> SystemTimeEntry) or (PWord(@Bytes[Start + 6])^ <> 4) then
    raise Exception.Create('#SYSTEM does not start with its time entry');
  FillChar(Bytes[Start + 8], 4, 0);
end;

var
  Project: TChmProject;
  Files: TProjectFiles;
  Chm: TMemoryStream;
  Writer: TChmWriter;
  Node: TChmContextNode;
  I: Integer;
begin
  if ParamCount <> 2 then
  begin
    WriteLn(StdErr, 'usage: hhp2chm PROJECT.hhp OUTPUT.chm');
    Halt(1);
  end;
  Project := TChmProject.Create;
  Files := TProjectFiles.Create;
  Chm := TMemoryStream.Create;
  try
    try
      Project.LoadFromhhp(ParamStr(1), False);
      Files.Folder := ExtractFilePath(ExpandFileName(ParamStr(1)));
      for I := 0 to Project.Files.Count - 1 do
        if not FileExists(Files.Folder + Project.Files[I]) then
          raise Exception.Create('no file ' + Project.Files[I]);
      Writer := TChmWriter.Create(Chm, False);
      try
        Writer.OnGetFileData := @Files.GetData;
        Writer.FilesToCompress.AddStrings(Project.Files);
        Writer.DefaultPage := Project.DefaultPage;
        Writer.Title := Project.Title;
        Writer.LocaleID := Project.LocaleID;
        for I := 0 to Project.Files.Count - 1 do
        begin
          Node := TChmContextNode(Project.Files.Objects[I]);
          if Assigned(Node) and (Node.ContextNumber <> 0) then
            Writer.AddContext(Node.ContextNumber, Project.Files[I]);
        end;
        Writer.Execute;
      finally
        Writer.Free;
      end;
      ClearTimeStamps(Chm);
      Chm.SaveToFile(ParamStr(2));
    except
      on E: Exception do
      begin
        WriteLn(StdErr, 'hhp2chm: ', ParamStr(1), ': ', E.Message);
        Halt(1);
      end;
    end;
  finally
    Chm.Free;
    Files.Free;
    Project.Free;
  end;
end.
