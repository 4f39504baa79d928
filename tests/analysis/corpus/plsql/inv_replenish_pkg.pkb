Create Or Replace Package Body Inv_Replenish_Pkg As
   -----------------------------------------------------------------------------
   -- Min/max replenishment planning for inventory organisations.
   --
   --   Plan_Org            nightly, one call per organisation
   --   Plan_Item           from the planner's workbench, one item at a time
   --   Create_Requisitions turns the plan into requisition interface rows
   --   Recalc_Safety_Stock weekly, from the demand history
   --
   -- The planner's workbench keeps its session for hours; a package cursor
   -- left open by a failed call breaks every later call in that session.
   -----------------------------------------------------------------------------

   Cursor c_Items_Below_Min (p_Org_Id In Number) Is
      Select i.Inventory_Item_Id, i.Segment1 Item_Code, i.Min_Minmax_Quantity Min_Qty,
             i.Max_Minmax_Quantity Max_Qty, i.Fixed_Lot_Multiplier Lot_Mult, i.Planner_Code
        From Mtl_System_Items_b i
       Where i.Organization_Id = p_Org_Id
         And i.Inventory_Planning_Code = 2
         And i.Min_Minmax_Quantity Is Not Null
         And Exists (Select Null
                       From Mtl_Onhand_Summary_v s
                      Where s.Inventory_Item_Id = i.Inventory_Item_Id
                        And s.Organization_Id = p_Org_Id
                     Having Sum(s.Onhand_Qty) < i.Min_Minmax_Quantity);

   Cursor c_Open_Po (p_Item_Id In Number, p_Org_Id In Number) Is
      Select Nvl(Sum(l.Quantity - Nvl(l.Quantity_Received, 0) - Nvl(l.Quantity_Cancelled, 0)), 0) Open_Qty
        From Po_Line_Locations_All l
       Where l.Item_Id = p_Item_Id
         And l.Ship_To_Organization_Id = p_Org_Id
         And l.Closed_Code = 'OPEN';

   Cursor c_Sources (p_Item_Id In Number) Is
      Select s.Vendor_Id, s.Vendor_Site_Id, s.Allocation_Percent, s.Rank
        From Mrp_Sourcing_Rules_v s
       Where s.Inventory_Item_Id = p_Item_Id
       Order By s.Rank, s.Allocation_Percent Desc;

   Cursor c_Org_Params (p_Org_Id In Number) Is
      Select p.Organization_Code, p.Default_Lead_Time, p.Req_Source_Type, p.Calendar_Code
        From Mtl_Parameters p
       Where p.Organization_Id = p_Org_Id;

   Type t_Plan_Rec Is Record (
      Item_Id     Number,
      Org_Id      Number,
      Need_Qty    Number,
      Vendor_Id   Number,
      Need_By     Date );
   Type t_Plan_Tab Is Table Of t_Plan_Rec Index By Pls_Integer;

   g_Params       c_Org_Params%Rowtype;
   g_Params_Org   Number;

   e_Dml_Errors   Exception;
   Pragma Exception_Init(e_Dml_Errors, -24381);

   -----------------------------------------------------------------------------
   Procedure Log_Msg (p_Text In Varchar2) Is
   Begin
      Inv_Log.Put('INV_REPLENISH', p_Text);
   End Log_Msg;

   -----------------------------------------------------------------------------
   Procedure Load_Org_Params (p_Org_Id In Number) Is
      e_No_Params Exception;
   Begin
      If g_Params_Org = p_Org_Id Then
         Return;
      End If;

      Open c_Org_Params(p_Org_Id);
      Fetch c_Org_Params Into g_Params;
      If c_Org_Params%Notfound Then
         Close c_Org_Params;
         Raise e_No_Params;
      End If;
      Close c_Org_Params;
      g_Params_Org := p_Org_Id;
   Exception
      When e_No_Params Then
         Raise_Application_Error(-20501, 'No inventory parameters for organisation ' || p_Org_Id);
      When Others Then
         If c_Org_Params%IsOpen Then
            Close c_Org_Params;
         End If;
         Raise;
   End Load_Org_Params;

   -----------------------------------------------------------------------------
   -- lead time in days: item, then sourcing rule, then organisation default
   Function Lead_Time (p_Item_Id In Number, p_Org_Id In Number) Return Number Is
      Cursor c_Lt (p_Item In Number) Is
         Select Nvl(i.Full_Lead_Time, i.Postprocessing_Lead_Time) Lt
           From Mtl_System_Items_b i
          Where i.Inventory_Item_Id = p_Item
            And i.Organization_Id = p_Org_Id;

      l_Lt Number;

      Function Fallback_Lt Return Number Is
         Cursor c_Lt Is
            Select Max(a.Processing_Lead_Time)
              From Po_Asl_Attributes a
             Where a.Item_Id = p_Item_Id
               And a.Using_Organization_Id In (p_Org_Id, -1);
         l_Val Number;
      Begin
         Open c_Lt;
         Fetch c_Lt Into l_Val;
         Close c_Lt;
         If l_Val Is Null Then
            Load_Org_Params(p_Org_Id);
            l_Val := g_Params.Default_Lead_Time;
         End If;
         Return Nvl(l_Val, 14);
      End Fallback_Lt;
   Begin
      Open c_Lt(p_Item_Id);
      Fetch c_Lt Into l_Lt;
      If c_Lt%Notfound Or l_Lt Is Null Then
         l_Lt := Fallback_Lt;
      End If;
      Return l_Lt;
   End Lead_Time;

   -----------------------------------------------------------------------------
   Procedure Plan_Org (p_Org_Id In Number, p_Plan_Id In Number) Is
      Cursor c_Onhand (p_Item In Number) Is
         Select Nvl(Sum(Onhand_Qty), 0) Onhand, Nvl(Sum(Reserved_Qty), 0) Reserved
           From Mtl_Onhand_Summary_v
          Where Inventory_Item_Id = p_Item
            And Organization_Id = p_Org_Id;

      l_Item      c_Items_Below_Min%Rowtype;
      l_Open_Qty  Number;
      l_Onhand    Number;
      l_Reserved  Number;
      l_Need      Number;
      l_Need_By   Date;
      l_Count     Pls_Integer := 0;

      Procedure Cleanup Is
      Begin
         If c_Items_Below_Min%IsOpen Then Close c_Items_Below_Min; End If;
         If c_Open_Po%IsOpen         Then Close c_Open_Po;         End If;
         If c_Onhand%IsOpen          Then Close c_Onhand;          End If;
      End Cleanup;
   Begin
      Load_Org_Params(p_Org_Id);

      Open c_Items_Below_Min(p_Org_Id);
      <<Item_Loop>>
      Loop
         Fetch c_Items_Below_Min Into l_Item;
         Exit Item_Loop When c_Items_Below_Min%Notfound;

         Open c_Open_Po(l_Item.Inventory_Item_Id, p_Org_Id);
         Fetch c_Open_Po Into l_Open_Qty;
         Close c_Open_Po;

         Open c_Onhand(l_Item.Inventory_Item_Id);
         Fetch c_Onhand Into l_Onhand, l_Reserved;
         Close c_Onhand;

         l_Need := l_Item.Max_Qty - (l_Onhand - l_Reserved) - l_Open_Qty;
         Continue Item_Loop When l_Need <= 0;

         If Nvl(l_Item.Lot_Mult, 0) > 0 Then
            l_Need := Ceil(l_Need / l_Item.Lot_Mult) * l_Item.Lot_Mult;
         End If;

         l_Need_By := Trunc(Sysdate) + Lead_Time(l_Item.Inventory_Item_Id, p_Org_Id);

         Insert Into Inv_Replenish_Plan_Lines (Plan_Id, Item_Id, Org_Id, Need_Qty, Need_By, Planner_Code, Created_On)
         Values (p_Plan_Id, l_Item.Inventory_Item_Id, p_Org_Id, l_Need, l_Need_By, l_Item.Planner_Code, Sysdate);
         l_Count := l_Count + 1;
      End Loop Item_Loop;
      Close c_Items_Below_Min;

      Log_Msg('Plan_Org ' || g_Params.Organization_Code || ': ' || l_Count || ' items to replenish');
   Exception
      When Others Then
         Cleanup;
         Log_Msg('Plan_Org ' || p_Org_Id || ' failed: ' || Sqlerrm);
         Raise;
   End Plan_Org;

   -----------------------------------------------------------------------------
   -- workbench: plan a single item and propose a source
   Procedure Plan_Item (p_Item_Id In Number, p_Org_Id In Number, p_Need Out Number, p_Vendor_Id Out Number) Is
      l_Open_Qty  Number;
      l_Onhand    Number;
      l_Max       Number;
      l_Src       c_Sources%Rowtype;

      Procedure Cleanup Is
      Begin
         If c_Sources%IsOpen Then
            Close c_Sources;
         End If;
      End Cleanup;
   Begin
      Select Nvl(Max_Minmax_Quantity, 0)
        Into l_Max
        From Mtl_System_Items_b
       Where Inventory_Item_Id = p_Item_Id
         And Organization_Id = p_Org_Id;

      Select Nvl(Sum(Onhand_Qty - Reserved_Qty), 0)
        Into l_Onhand
        From Mtl_Onhand_Summary_v
       Where Inventory_Item_Id = p_Item_Id
         And Organization_Id = p_Org_Id;

      Open c_Open_Po(p_Item_Id, p_Org_Id);
      Fetch c_Open_Po Into l_Open_Qty;
      Close c_Open_Po;

      p_Need := Greatest(l_Max - l_Onhand - l_Open_Qty, 0);

      Open c_Sources(p_Item_Id);
      Fetch c_Sources Into l_Src;
      Close c_Sources;
      p_Vendor_Id := l_Src.Vendor_Id;
   Exception
      When No_Data_Found Then
         p_Need      := 0;
         p_Vendor_Id := Null;
      When Others Then
         Cleanup;
         Log_Msg('Plan_Item ' || p_Item_Id || ': ' || Sqlerrm);
         Raise;
   End Plan_Item;

   -----------------------------------------------------------------------------
   Function Item_Sources_Rc (p_Item_Id In Number) Return Sys_Refcursor Is
      l_Rc Sys_Refcursor;
   Begin
      Open l_Rc For
         Select s.Vendor_Id, v.Vendor_Name, s.Vendor_Site_Id, s.Allocation_Percent, s.Rank
           From Mrp_Sourcing_Rules_v s
           Join Po_Vendors v On v.Vendor_Id = s.Vendor_Id
          Where s.Inventory_Item_Id = p_Item_Id
          Order By s.Rank;
      Return l_Rc;
   End Item_Sources_Rc;

   -----------------------------------------------------------------------------
   Procedure Print_Plan (p_Plan_Id In Number) Is
      l_Rc Sys_Refcursor;
   Begin
      Open l_Rc For
         Select l.Org_Id, i.Segment1, l.Need_Qty, l.Need_By, l.Planner_Code
           From Inv_Replenish_Plan_Lines l
           Join Mtl_System_Items_b i On i.Inventory_Item_Id = l.Item_Id And i.Organization_Id = l.Org_Id
          Where l.Plan_Id = p_Plan_Id
          Order By l.Planner_Code, i.Segment1;
      Inv_Report_Util.Print_Cursor(l_Rc, p_Title => 'Replenishment plan ' || p_Plan_Id);
   End Print_Plan;

   -----------------------------------------------------------------------------
   Procedure Create_Requisitions (p_Plan_Id In Number) Is
      Cursor c_Plan Is
         Select l.Item_Id, l.Org_Id, l.Need_Qty, Null Vendor_Id, l.Need_By
           From Inv_Replenish_Plan_Lines l
          Where l.Plan_Id = p_Plan_Id
            And l.Req_Created_Flag = 'N';

      l_Rows    t_Plan_Tab;
      l_Vendor  Number;
      l_Need    Number;
      l_Err_Idx Pls_Integer;
   Begin
      Open c_Plan;
      Loop
         Fetch c_Plan Bulk Collect Into l_Rows Limit 1000;
         Exit When l_Rows.Count = 0;

         For i In 1 .. l_Rows.Count Loop
            Plan_Item(l_Rows(i).Item_Id, l_Rows(i).Org_Id, l_Need, l_Vendor);
            l_Rows(i).Vendor_Id := l_Vendor;
         End Loop;

         Begin
            Forall i In 1 .. l_Rows.Count Save Exceptions
               Insert Into Po_Requisitions_Interface_All
                      (Interface_Source_Code, Item_Id, Destination_Organization_Id, Quantity, Suggested_Vendor_Id,
                       Need_By_Date, Source_Type_Code, Destination_Type_Code, Authorization_Status, Batch_Id)
               Values ('INV_REPLENISH', l_Rows(i).Item_Id, l_Rows(i).Org_Id, l_Rows(i).Need_Qty, l_Rows(i).Vendor_Id,
                       l_Rows(i).Need_By, 'VENDOR', 'INVENTORY', 'APPROVED', p_Plan_Id);
         Exception
            When e_Dml_Errors Then
               For j In 1 .. Sql%Bulk_Exceptions.Count Loop
                  l_Err_Idx := Sql%Bulk_Exceptions(j).Error_Index;
                  Insert Into Inv_Replenish_Errors (Plan_Id, Item_Id, Org_Id, Error_Code, Error_Text, Created_On)
                  Values (p_Plan_Id, l_Rows(l_Err_Idx).Item_Id, l_Rows(l_Err_Idx).Org_Id,
                          Sql%Bulk_Exceptions(j).Error_Code, Sqlerrm(-Sql%Bulk_Exceptions(j).Error_Code), Sysdate);
               End Loop;
         End;

         Forall i In 1 .. l_Rows.Count
            Update Inv_Replenish_Plan_Lines
               Set Req_Created_Flag = 'Y'
             Where Plan_Id = p_Plan_Id
               And Item_Id = l_Rows(i).Item_Id
               And Org_Id = l_Rows(i).Org_Id;
      End Loop;
      Close c_Plan;
   Exception
      When Others Then
         If c_Plan%IsOpen Then
            Close c_Plan;
         End If;
         Log_Msg('Create_Requisitions ' || p_Plan_Id || ': ' || Sqlerrm);
         Raise;
   End Create_Requisitions;

   -----------------------------------------------------------------------------
   -- weekly: safety stock = z * sigma(demand) * sqrt(lead time)
   Procedure Recalc_Safety_Stock (p_Org_Id In Number, p_Weeks In Pls_Integer Default 26) Is
      l_Z        Constant Number := 1.65;   -- 95 % service level
      l_Updated  Pls_Integer := 0;
   Begin
      Load_Org_Params(p_Org_Id);

      For itm In (Select Inventory_Item_Id
                    From Mtl_System_Items_b
                   Where Organization_Id = p_Org_Id
                     And Inventory_Planning_Code In (2, 6)) Loop

         <<Weekly_Demand>>
         Declare
            Cursor c_Hist Is
               Select Stddev(Weekly_Qty) Sigma, Avg(Weekly_Qty) Mean
                 From (Select Trunc(Transaction_Date, 'IW') Wk, Sum(-Primary_Quantity) Weekly_Qty
                         From Mtl_Material_Transactions
                        Where Inventory_Item_Id = itm.Inventory_Item_Id
                          And Organization_Id = p_Org_Id
                          And Transaction_Type_Id In (33, 35, 52)
                          And Transaction_Date >= Trunc(Sysdate, 'IW') - 7 * p_Weeks
                        Group By Trunc(Transaction_Date, 'IW'));
            l_Sigma Number;
            l_Mean  Number;
            l_Lt    Number;
         Begin
            Open c_Hist;
            Fetch c_Hist Into l_Sigma, l_Mean;
            Close c_Hist;

            If Nvl(l_Sigma, 0) > 0 Then
               l_Lt := Lead_Time(itm.Inventory_Item_Id, p_Org_Id);
               Update Mtl_Safety_Stocks
                  Set Safety_Stock_Quantity = Round(l_Z * l_Sigma * Sqrt(l_Lt / 7)),
                      Last_Update_Date = Sysdate
                Where Inventory_Item_Id = itm.Inventory_Item_Id
                  And Organization_Id = p_Org_Id
                  And Effectivity_Date = Trunc(Sysdate, 'IW');
               l_Updated := l_Updated + Sql%Rowcount;
            End If;
         End Weekly_Demand;

         <<Seasonal_Peak>>
         Declare
            Cursor c_Hist Is
               Select Max(Monthly_Qty)
                 From (Select Trunc(Transaction_Date, 'MM') Mon, Sum(-Primary_Quantity) Monthly_Qty
                         From Mtl_Material_Transactions
                        Where Inventory_Item_Id = itm.Inventory_Item_Id
                          And Organization_Id = p_Org_Id
                          And Transaction_Type_Id In (33, 35, 52)
                          And Transaction_Date >= Add_Months(Trunc(Sysdate, 'MM'), -12)
                        Group By Trunc(Transaction_Date, 'MM'));
            l_Peak Number;
         Begin
            Open c_Hist;
            Fetch c_Hist Into l_Peak;
            If l_Peak Is Not Null Then
               Update Inv_Item_Planning_Attrs
                  Set Seasonal_Peak_Qty = l_Peak
                Where Item_Id = itm.Inventory_Item_Id
                  And Org_Id = p_Org_Id;
            End If;
         End Seasonal_Peak;
      End Loop;

      Log_Msg('Recalc_Safety_Stock ' || g_Params.Organization_Code || ': ' || l_Updated || ' rows');
   End Recalc_Safety_Stock;

   -----------------------------------------------------------------------------
   -- diagnostics for the support desk
   Procedure Dump_Onhand (p_Item_Id In Number, p_Org_Id In Number) Is
      Cursor c_Onhand Is
         Select Subinventory_Code, Locator_Id, Lot_Number, Onhand_Qty, Reserved_Qty
           From Mtl_Onhand_Summary_v
          Where Inventory_Item_Id = p_Item_Id
            And Organization_Id = p_Org_Id
          Order By Subinventory_Code, Locator_Id;
      l_Row c_Onhand%Rowtype;

      Procedure Cleanup Is
      Begin
         If c_Onhand%IsOpen Then
            Close c_Onhand;
         End If;
      End Cleanup;
   Begin
      Open c_Onhand;
      Loop
         Fetch c_Onhand Into l_Row;
         Exit When c_Onhand%Notfound;
         Dbms_Output.Put_Line(Rpad(l_Row.Subinventory_Code, 12) || Lpad(Nvl(To_Char(l_Row.Locator_Id), '-'), 10) || ' '
                              || Rpad(Nvl(l_Row.Lot_Number, '-'), 20) || Lpad(l_Row.Onhand_Qty, 12) || Lpad(l_Row.Reserved_Qty, 12));
      End Loop;
      Dbms_Output.Put_Line(c_Onhand%Rowcount || ' rows');
      Cleanup;
   Exception
      When Others Then
         Cleanup;
         Raise;
   End Dump_Onhand;

   -----------------------------------------------------------------------------
   Procedure Close_Plan_Lines (p_Plan_Id In Number) Is
   Begin
      Update Inv_Replenish_Plan_Lines
         Set Status = 'CLOSED'
       Where Plan_Id = p_Plan_Id
         And Req_Created_Flag = 'Y';
   End Close_Plan_Lines;

   Procedure Close_Plan (p_Plan_Id In Number) Is
      l_Open Pls_Integer;
   Begin
      Close_Plan_Lines(p_Plan_Id);
      Select Count(*) Into l_Open From Inv_Replenish_Plan_Lines Where Plan_Id = p_Plan_Id And Status <> 'CLOSED';
      Update Inv_Replenish_Plans
         Set Status    = Case When l_Open = 0 Then 'CLOSED' Else 'PARTIAL' End,
             Closed_On = Case When l_Open = 0 Then Sysdate End
       Where Plan_Id = p_Plan_Id;
   End Close_Plan;

   -----------------------------------------------------------------------------
   Procedure Run_Nightly Is
      l_Plan_Id Number;
   Begin
      For o In (Select Organization_Id From Inv_Replenish_Orgs Where Enabled_Flag = 'Y' Order By Organization_Id) Loop
         Savepoint sp_Org;
         Begin
            Insert Into Inv_Replenish_Plans (Plan_Id, Org_Id, Status, Created_On)
            Values (Inv_Replenish_Plans_s.Nextval, o.Organization_Id, 'NEW', Sysdate)
            Returning Plan_Id Into l_Plan_Id;

            Plan_Org(o.Organization_Id, l_Plan_Id);
            Create_Requisitions(l_Plan_Id);
            Close_Plan(l_Plan_Id);
            Commit;
         Exception
            When Others Then
               Rollback To sp_Org;
               Log_Msg('Run_Nightly: org ' || o.Organization_Id || ' skipped: ' || Sqlerrm);
         End;
      End Loop;
   End Run_Nightly;

End Inv_Replenish_Pkg;
/
